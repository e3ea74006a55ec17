#include "settings/settings_store.h"

#include <utility>

#include "settings/ini_document.h"

namespace lumova::settings {

std::string settingsPath(std::string_view exeFolder) {
  std::string path(exeFolder);
  if (path.empty() || path.back() != '\\') path += '\\';
  return path + "zbfaone.ini";
}

SettingsStore::SettingsStore(FileStore& files, std::string path, const TextCodec* codec)
    : files_(&files), path_(std::move(path)), codec_(codec) {
  reload();
}

ReadError SettingsStore::reload() {
  readError_ = ReadError::None;
  auto bytes = files_->read(path_, readError_);
  doc_ = bytes ? std::make_unique<IniDocument>(*bytes, codec_) : std::make_unique<IniDocument>(codec_);
  return readError_;
}

SettingsStore::~SettingsStore() = default;
SettingsStore::SettingsStore(SettingsStore&&) noexcept = default;
SettingsStore& SettingsStore::operator=(SettingsStore&&) noexcept = default;

std::string SettingsStore::read(std::string_view section, std::string_view key) const {
  return doc_->read(section, key);
}

void SettingsStore::write(std::string_view section, std::string_view key, std::string_view value) {
  doc_->write(section, key, value);
}

void SettingsStore::clearSection(std::string_view section) { doc_->clearSection(section); }

SaveError SettingsStore::save() { return files_->replaceAtomically(path_, doc_->serialize()); }

}  // namespace lumova::settings
