#include "picture/missing_decoders.h"

#include <algorithm>
#include <array>

#include "picture/picture_formats.h"

namespace lumova {
namespace {

constexpr std::array<UnopenedFormat, 6> kFormats{{
    {"HEIC", ".heic;.heics", "HEIF Image Extensions"},
    {"HEIF", ".heif;.heifs;.hif", "HEIF Image Extensions"},
    {"AVIF", ".avif;.avifs", "AV1 Video Extension"},
    {"WebP", ".webp", "WebP Image Extensions"},
    {"JPEG XL", ".jxl", "JPEG XL Image Extension"},
    {"RAW",
     ".3fr;.ari;.arw;.bay;.cr2;.cr3;.crw;.dcr;.dng;.erf;.fff;.iiq;.k25;.kdc;.mef;.mos;.mrw;.nef;.nrw;.orf;.ori;.pef;"
     ".raf;.raw;.rw2;.rwl;.sr2;.srf;.srw;.x3f",
     "Raw Image Extension"},
}};

}  // namespace

std::span<const UnopenedFormat> unopenedFormats() { return kFormats; }

MissingDecoders::MissingDecoders(const std::vector<std::string>& installed) {
  for (std::size_t f = 0; f < kFormats.size(); ++f) {
    std::vector<std::string> named;
    addFileExtensions(kFormats[f].extensions, named);
    for (std::string& ext : named) {
      if (std::find(installed.begin(), installed.end(), ext) != installed.end()) continue;
      extensions_.push_back(std::move(ext));
      formats_.push_back(f);
    }
  }
}

std::optional<std::size_t> MissingDecoders::formatOf(std::string_view extension) const {
  for (std::size_t i = 0; i < extensions_.size(); ++i) {
    const std::string& e = extensions_[i];
    if (e.size() == extension.size() && std::equal(e.begin(), e.end(), extension.begin(), [](char a, char b) {
          return a == (b >= 'A' && b <= 'Z' ? static_cast<char>(b - 'A' + 'a') : b);
        }))
      return formats_[i];
  }
  return std::nullopt;
}

std::string groupedCount(std::size_t n) {
  std::string digits = std::to_string(n);
  for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
  return digits;
}

std::string missingDecoderNote(const std::vector<std::size_t>& countsByFormat) {
  std::string note;
  for (std::size_t f = 0; f < std::min(countsByFormat.size(), kFormats.size()); ++f) {
    const std::size_t n = countsByFormat[f];
    if (n == 0) continue;
    if (!note.empty()) note += "; ";
    note += groupedCount(n) + " " + std::string(kFormats[f].name) + (n == 1 ? " file needs the " : " files need the ") +
            std::string(kFormats[f].install);
  }
  return note;
}

std::string missingDecoderAdvice(const std::vector<std::size_t>& countsByFormat) {
  // One entry for each thing to install, naming the formats it opens.
  std::vector<std::pair<std::string_view, std::string>> installs;
  for (std::size_t f = 0; f < std::min(countsByFormat.size(), kFormats.size()); ++f) {
    if (countsByFormat[f] == 0) continue;
    auto it =
        std::find_if(installs.begin(), installs.end(), [&](const auto& i) { return i.first == kFormats[f].install; });
    if (it == installs.end())
      installs.emplace_back(kFormats[f].install, std::string(kFormats[f].name));
    else
      it->second += ", " + std::string(kFormats[f].name);
  }
  std::string list;
  for (const auto& [install, names] : installs)
    list += (list.empty() ? "" : ", ") + std::string(install) + " (" + names + ")";
  return list.empty() ? list : "Install from the Microsoft Store: " + list;
}

}  // namespace lumova
