#pragma once
// Whole files read and written by the harness and its tests.

#include <filesystem>
#include <string>
#include <string_view>

namespace lumova::e2e {

// The file's bytes; empty when it cannot be read.
std::string readFile(const std::filesystem::path& file);
// Replaces the file (making its folder if need be); throws HarnessError when
// it cannot be written whole.
void writeFile(const std::filesystem::path& file, std::string_view bytes);

}  // namespace lumova::e2e
