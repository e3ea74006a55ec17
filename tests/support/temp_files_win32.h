// Files for the tests and benchmarks that run under Wine: a folder of their
// own under the temp folder, and whole files written and read back.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace lumova::testing {

using Bytes = std::vector<std::uint8_t>;

// "<temp>\<name>-<process id>\", made if it is not there.
inline std::string tempFolder(const std::string& name) {
  char base[MAX_PATH];
  GetTempPathA(MAX_PATH, base);
  const std::string dir = std::string(base) + name + "-" + std::to_string(GetCurrentProcessId());
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir + "\\";
}

// False unless every byte was written.
inline bool writeBytes(const std::string& path, const Bytes& bytes) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
  return ok && written == bytes.size();
}

// Empty when the file cannot be read.
inline Bytes readBytes(const std::string& path) {
  Bytes bytes;
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return bytes;
  bytes.resize(GetFileSize(h, nullptr));
  DWORD got = 0;
  ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  CloseHandle(h);
  bytes.resize(got);
  return bytes;
}

}  // namespace lumova::testing
