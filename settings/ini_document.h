// The settings file as a document: parsed once, read from memory, edited in
// memory and written back with every line the program did not touch kept
// byte for byte.
//
// Reads, writes and section clears answer exactly as the profile calls
// (GetPrivateProfileString with a 255-character buffer,
// WritePrivateProfileString) do under the reference implementation we test
// against, quirks included: only the first of several sections with the same
// name is searched, the first of several equal keys wins, lines split at
// every CR and every LF, names and values stop at a NUL, and a quoted value
// cut by the buffer loses one more character.
//
// The program's text is UTF-8; the document holds UTF-16, as the wide
// profile calls do, and counts the read limit in UTF-16 units. A file comes
// in one of three forms:
//  - the ANSI code page (no byte order mark), as the settings have always
//    been written. It stays so while every line fits the code page; once
//    one does not, the whole file is written as UTF-16.
//  - UTF-16 LE with a byte order mark, the form the wide profile calls read
//    and write. A save after edits goes back to ANSI once every line fits.
//  - UTF-8 with a byte order mark, which holds any text and stays UTF-8.
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

  enum class Form { Ansi, Utf16, Utf8 };

  // An empty (new) file. `codec` converts the ANSI form and must outlive
  // the document.
  explicit IniDocument(const TextCodec* codec = systemTextCodec());
  explicit IniDocument(std::string_view bytes, const TextCodec* codec = systemTextCodec());

  // The value of `key` in the first section named `section`, as the profile
  // call returns it into a buffer of `bufferSize` UTF-16 units: blanks
  // around it and one pair of enclosing quotes (" or ') removed, at most
  // bufferSize - 1 units (a character cut in half is dropped). Empty when
  // the section, the key or its "=" is missing. Names match without regard
  // to ASCII letter case or to the blanks around them. UTF-8 in and out.
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

  // The file's bytes, in form(). An untouched document gives back exactly
  // the bytes it was parsed from; new lines end with CRLF.
  std::string serialize() const;

  // The form the file was read in, and the one serialize() writes now.
  Form sourceForm() const { return source_; }
  Form form() const;

 private:
  struct Line {
    std::string raw;      // the line's bytes in the file, line end included; empty for a new or edited line
    std::u16string text;  // the line, line end included
    bool blank = true;
    bool hasValue = false;  // an entry with "="
    std::u16string name;    // entry name (blanks trimmed, up to a NUL)
    std::u16string value;   // entry value (blanks trimmed, up to a NUL)
  };
  struct Section {
    std::u16string name;  // trimmed, up to a NUL; empty for the lines before any header
    bool hasHeader = false;
    Line header;
    std::vector<Line> body;
    std::unordered_map<std::u16string, std::size_t> keys;  // folded name -> first entry
    bool removed = false;
  };

  void parse(std::string_view bytes);
  Line parseLine(std::string raw, std::u16string text) const;
  Section& addSection(std::u16string name);
  void addLine(Section& section, Line line);
  Section* findSection(std::u16string_view foldedName);
  const Section* findSection(std::u16string_view foldedName) const;
  // Every line in file order, headers included.
  template <typename Visit>
  void forEachLine(Visit&& visit) const;
  std::string encode(std::u16string_view text, Form form) const;

  const TextCodec* codec_;
  Form source_ = Form::Ansi;
  bool edited_ = false;
  std::vector<Section> sections_;  // [0] holds the lines before the first header
  std::unordered_map<std::u16string, std::vector<std::size_t>> sectionIndex_;  // folded name -> sections
};

}  // namespace lumova::settings
