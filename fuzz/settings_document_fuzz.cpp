// The settings file from arbitrary bytes: every option read, the picture list
// read, one section cleared, every option written, the document saved and
// parsed again. Every value written must read back, and an untouched document
// must save to the very bytes it came from.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "settings/ini_document.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "settings/text_codec.h"
#include "tests/fakes/memory_file_store.h"

namespace {

using lumova::settings::IniDocument;

// Pieces of values: plain ASCII, characters a profile line treats specially
// inside a value, some that fit Windows-1252 and some that do not (one of
// them outside the Basic Multilingual Plane, two UTF-16 units).
constexpr std::string_view kPieces[] = {
    "a",
    "Z",
    "0",
    "7",
    " ",
    "=",
    "\"",
    "'",
    ";",
    "[",
    "]",
    "#",
    "\\",
    ".",
    "-",
    "\xC3\xA9",          // é
    "\xE2\x82\xAC",      // € (in Windows-1252 at 0x80)
    "\xE4\xB8\xAD",      // 中
    "\xF0\x9F\x98\x80",  // 😀
};
constexpr std::size_t kPieceCount = sizeof kPieces / sizeof kPieces[0];

std::size_t utf16Units(std::string_view piece) { return piece.size() == 4 ? 2 : 1; }

// A value that survives a write and a read unchanged: no blanks at its ends,
// no quote at its start (a read strips one enclosing pair), no line end or
// NUL, and at most 254 UTF-16 units (the read buffer).
std::string valueFrom(const std::uint8_t* data, std::size_t size, std::size_t salt) {
  if (size == 0) return "v";
  const std::uint8_t lengthByte = data[(salt * 7) % size];
  const std::size_t length = lengthByte == 0xFF ? 300 : lengthByte % 24;
  std::string value;
  std::size_t units = 0;
  for (std::size_t i = 0; i < length; ++i) {
    std::string_view piece = kPieces[data[(salt * 31 + i * 13 + 1) % size] % kPieceCount];
    if (units + utf16Units(piece) > IniDocument::kReadBufferSize - 1) break;
    if ((i == 0 || value.empty()) && (piece == " " || piece == "\"" || piece == "'")) piece = "q";
    value += piece;
    units += utf16Units(piece);
  }
  while (!value.empty() && value.back() == ' ') value.pop_back();
  return value;
}

[[noreturn]] void fail(const char* what, std::string_view key, const std::string& expected, const std::string& got) {
  std::fprintf(stderr, "%s: key %.*s: expected \"%s\", got \"%s\"\n", what, static_cast<int>(key.size()), key.data(),
               expected.c_str(), got.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace settings = lumova::settings;
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  // The store as the saver and the dialog read it.
  {
    lumova::fakes::MemoryFileStore files;
    files.files["zbfaone.ini"] = bytes;
    settings::SettingsStore store(files, "zbfaone.ini");
    settings::readOptions(store);
    settings::readPictureList(store);
  }

  IniDocument doc(bytes, &settings::windows1252Codec());
  if (doc.serialize() != bytes) {
    std::fprintf(stderr, "an untouched document saved to other bytes\n");
    std::abort();
  }
  for (const settings::KeyInfo& info : settings::optionKeys()) doc.read(info.section, info.name);

  // Clear one of the sections the program uses, then write every option.
  constexpr std::string_view kSections[] = {"image", "background", "password", "font", "images", "caption", "total"};
  doc.clearSection(kSections[size ? data[0] % 7 : 0]);
  const auto keys = settings::optionKeys();
  std::string written[settings::kKeyCount];
  for (std::size_t i = 0; i < keys.size(); ++i) {
    written[i] = valueFrom(data, size, i);
    doc.write(keys[i].section, keys[i].name, written[i]);
  }
  for (std::size_t i = 0; i < keys.size(); ++i) {
    std::string got = doc.read(keys[i].section, keys[i].name);
    if (got != written[i]) fail("in memory", keys[i].name, written[i], got);
  }

  const std::string saved = doc.serialize();
  IniDocument again(saved, &settings::windows1252Codec());
  for (std::size_t i = 0; i < keys.size(); ++i) {
    std::string got = again.read(keys[i].section, keys[i].name);
    if (got != written[i]) fail("after a save", keys[i].name, written[i], got);
  }
  if (again.serialize() != saved) {
    std::fprintf(stderr, "a saved document parsed again saved to other bytes\n");
    std::abort();
  }
  return 0;
}
