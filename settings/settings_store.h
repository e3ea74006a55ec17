// The settings file zbfaone.ini: read once, answered from memory, saved
// atomically. Lookups behave as the Windows profile calls do.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "settings/file_store.h"
#include "settings/text_codec.h"

namespace lumova::settings {

class IniDocument;  // the parsed file, lines kept as they were

// The folder of the executable, a "\" unless it already ends with one, then
// "zbfaone.ini".
std::string settingsPath(std::string_view exeFolder);

class SettingsStore {
 public:
  // Reads the file once. A missing or unreadable file is an empty store
  // (readError() tells which).
  // `codec` converts a file in the ANSI code page. Names, values and the
  // path are UTF-8.
  SettingsStore(FileStore& files, std::string path, const TextCodec* codec = systemTextCodec());
  ~SettingsStore();
  SettingsStore(SettingsStore&&) noexcept;
  SettingsStore& operator=(SettingsStore&&) noexcept;

  const std::string& path() const { return path_; }
  // The files the store reads and saves through; the files beside the
  // settings go through it too.
  FileStore& files() const { return *files_; }
  // Why the file could not be read when the store was made (or reloaded):
  // None once it was, Missing when there is no file yet.
  ReadError readError() const { return readError_; }
  // Reads the file again, in place of everything in memory.
  ReadError reload();

  // readSetting: the value without blanks around it and without one pair of
  // enclosing quotes, at most 254 characters; empty when missing.
  std::string read(std::string_view section, std::string_view key) const;
  // writeSetting / clearSettingsSection, in memory until save().
  void write(std::string_view section, std::string_view key, std::string_view value);
  void clearSection(std::string_view section);

  // Whether save() could replace the file now (see FileStore::checkWritable).
  SaveError checkWritable() { return files_->checkWritable(path_); }

  // Writes the whole file atomically. On failure the file on disk is
  // unchanged and the error is returned.
  SaveError save();

 private:
  FileStore* files_;
  std::string path_;
  const TextCodec* codec_;
  ReadError readError_ = ReadError::None;
  std::unique_ptr<IniDocument> doc_;
};

}  // namespace lumova::settings
