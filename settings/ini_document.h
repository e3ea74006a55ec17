// The settings file as a document: parsed once, read from memory, edited in
// memory and written back with every line the program did not touch kept
// byte for byte.
//
// Reads, writes and section clears answer exactly as the ANSI profile calls
// (GetPrivateProfileStringA with a 255-character buffer,
// WritePrivateProfileStringA) do under the reference implementation we test
// against, quirks included: only the first of several sections with the same
// name is searched, the first of several equal keys wins, lines split at
// every CR and every LF, names and values stop at a NUL byte, and a quoted
// value cut by the buffer loses one more character.
//
// Values are bytes in the system ANSI code page; nothing is converted,
// except in a file that starts with a UTF-8 byte order mark: its names and
// values are read through TextCodec::utf8ToAnsi and new text is written
// through ansiToUtf8, as the profile calls do.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "settings/text_codec.h"

namespace lumova::settings {

class IniDocument {
 public:
  // The buffer every reader of the settings file passes.
  static constexpr std::size_t kReadBufferSize = 255;

  IniDocument();  // an empty (new) file
  // `codec` (may be null: no conversion) serves files with a UTF-8 byte
  // order mark and must outlive the document.
  explicit IniDocument(std::string_view bytes, const TextCodec* codec = nullptr);

  // The value of `key` in the first section named `section`, as the profile
  // call returns it into a buffer of `bufferSize` characters: blanks around
  // it and one pair of enclosing quotes (" or ') removed, at most
  // bufferSize - 1 characters. Empty when the section, the key or its "="
  // is missing. Names match without regard to ASCII letter case or to the
  // blanks around them.
  std::string read(std::string_view section, std::string_view key, std::size_t bufferSize = kReadBufferSize) const;

  // Sets `key` in the first section named `section`: replaces the value of
  // an existing key (its line becomes "name=value"), adds the key after the
  // last non-blank line of the section, or adds the section at the end of
  // the file. Blanks before the value are dropped.
  void write(std::string_view section, std::string_view key, std::string_view value);

  // Removes the first section whose name equals `section` (letter case
  // aside; blanks around the request are not ignored here), with all its
  // lines, comments included. Later sections of the same name stay.
  void clearSection(std::string_view section);

  // The file's bytes. An untouched document gives back exactly the bytes it
  // was parsed from; new lines end with CRLF.
  std::string serialize() const;

 private:
  struct Line {
    std::string raw;  // the bytes of the line, its line end included
    bool blank = true;
    bool hasValue = false;  // an entry with "="
    std::string name;       // entry name (blanks trimmed, up to a NUL)
    std::string spelling;   // the name's bytes in the file, when they differ from `name`
    std::string value;      // entry value (blanks trimmed, up to a NUL)
  };
  struct Section {
    std::string name;    // trimmed, up to a NUL; empty for the lines before any header
    std::string header;  // the header line's bytes; empty when there is none
    std::vector<Line> body;
    std::unordered_map<std::string, std::size_t> keys;  // folded name -> first entry
    bool removed = false;
  };

  Section& addSection(std::string name, std::string header);
  void addLine(Section& section, Line line);
  Section* findSection(std::string_view foldedName);
  const Section* findSection(std::string_view foldedName) const;

  // In a file with a UTF-8 byte order mark: text from the file to the
  // program and back; otherwise the text unchanged.
  std::string decoded(std::string_view fileText) const;
  std::string encoded(std::string_view text) const;

  bool bom_ = false;
  const TextCodec* codec_ = nullptr;
  std::vector<Section> sections_;  // [0] holds the lines before the first header
  std::unordered_map<std::string, std::vector<std::size_t>> sectionIndex_;  // folded name -> sections
};

}  // namespace lumova::settings
