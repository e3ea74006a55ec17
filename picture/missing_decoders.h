// Picture formats that Windows opens only once an extension from the
// Microsoft Store is installed. A file whose extension names one of them
// while no installed decoder takes that extension is not shown; the dialog
// counts such files and says what to install.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lumova {

struct UnopenedFormat {
  std::string_view name;        // as the note calls its files: "HEIC"
  std::string_view extensions;  // ".heic;.heics"
  std::string_view install;     // what opens them: "HEIF Image Extensions"
};

// HEIC and HEIF, AVIF, WebP, JPEG XL and the common camera RAW formats.
std::span<const UnopenedFormat> unopenedFormats();

class MissingDecoders {
 public:
  // `installed`: the extensions the decoders take, as pictureExtensions()
  // gives them.
  explicit MissingDecoders(const std::vector<std::string>& installed);
  // The extensions of the table that no installed decoder takes, lower
  // case with their dot, for a scan to count.
  const std::vector<std::string>& extensions() const { return extensions_; }
  // The format (its place in unopenedFormats()) of such an extension, and
  // of extensions()[i].
  std::optional<std::size_t> formatOf(std::string_view extension) const;
  std::size_t formatAt(std::size_t i) const { return formats_.at(i); }

 private:
  std::vector<std::string> extensions_;
  std::vector<std::size_t> formats_;  // item for item with extensions_
};

// A folder's note, by format in the order of the table, those counted
// nothing left out: "56 HEIC files need the HEIF Image Extensions; 1 WebP
// file needs the WebP Image Extensions". Empty when nothing was counted.
std::string missingDecoderNote(const std::vector<std::size_t>& countsByFormat);

// What to install for the formats counted, for the status bar: "Install
// from the Microsoft Store: HEIF Image Extensions (HEIC, HEIF), WebP Image
// Extensions (WebP)". Empty when nothing was counted.
std::string missingDecoderAdvice(const std::vector<std::size_t>& countsByFormat);

// A count with its thousands grouped by commas: "1,234".
std::string groupedCount(std::size_t n);

}  // namespace lumova
