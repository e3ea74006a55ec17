#include "picture/picture_formats.h"

#include <algorithm>

namespace lumova {

void addFileExtensions(std::string_view list, std::vector<std::string>& into) {
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find_first_of(",;", start);
    if (end == std::string_view::npos) end = list.size();
    std::string_view entry = list.substr(start, end - start);
    start = end + 1;
    while (!entry.empty() && entry.front() == ' ') entry.remove_prefix(1);
    while (!entry.empty() && entry.back() == ' ') entry.remove_suffix(1);
    if (entry.rfind("*.", 0) == 0) entry.remove_prefix(1);
    if (!entry.empty() && entry.front() == '.') entry.remove_prefix(1);
    if (entry.empty() || entry.find_first_of("*?.\\/:|<>\" ") != std::string_view::npos) continue;
    std::string ext = ".";
    for (char c : entry) ext += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    if (std::find(into.begin(), into.end(), ext) == into.end()) into.push_back(std::move(ext));
  }
}

std::string allPicturesFilter(const std::vector<std::string>& extensions) {
  std::string patterns;
  for (const std::string& ext : extensions) patterns += (patterns.empty() ? "*" : ";*") + ext;
  return "All pictures|" + patterns;
}

std::vector<std::string> pictureExtensions(const std::vector<std::string>& decoderLists) {
  std::vector<std::string> out;
  addFileExtensions(kClassicExtensions, out);
  for (const std::string& list : decoderLists) addFileExtensions(list, out);
  return out;
}

}  // namespace lumova
