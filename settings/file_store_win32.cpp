#include "settings/file_store_win32.h"

#include <windows.h>

#include <algorithm>

#include "common/gdi_win32.h"
#include "common/text_win32.h"

namespace lumova::settings {
namespace {

std::wstring hex(std::uint64_t value) {
  static const wchar_t digits[] = L"0123456789abcdef";
  std::wstring out;
  do {
    out.insert(out.begin(), digits[value & 15]);
    value >>= 4;
  } while (value);
  return out;
}

}  // namespace

std::optional<std::string> Win32FileStore::read(const std::string& path, ReadError& error) {
  const std::wstring wide = win32::toWide(path);
  auto fail = [&](DWORD code) -> std::optional<std::string> {
    switch (code) {
      case ERROR_FILE_NOT_FOUND:
      case ERROR_PATH_NOT_FOUND:
      case ERROR_INVALID_NAME:
        error = ReadError::Missing;
        break;
      case ERROR_SHARING_VIOLATION:
      case ERROR_LOCK_VIOLATION:
        error = ReadError::InUse;
        break;
      default: {
        const DWORD attributes = wide.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(wide.c_str());
        const bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
        error = folder ? ReadError::Folder : ReadError::Unreadable;
      }
    }
    return std::nullopt;
  };
  win32::UniqueFile file(CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return fail(GetLastError());
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) return fail(GetLastError());
  // A settings file is small; anything that does not fit in memory is not one.
  if (static_cast<unsigned long long>(size.QuadPart) > (1ull << 30)) return fail(ERROR_FILE_TOO_LARGE);
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD got = 0;
    DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
    if (!ReadFile(file.get(), bytes.data() + done, want, &got, nullptr)) return fail(GetLastError());
    if (got == 0) break;  // the file shrank meanwhile
    done += got;
  }
  bytes.resize(done);
  error = ReadError::None;
  return bytes;
}

SaveError Win32FileStore::checkWritable(const std::string& path) {
  const std::wstring target = win32::toWide(path);
  if (target.empty()) return SaveError::CannotCreateTemp;
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return SaveError::Folder;
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return SaveError::ReplaceFailed;
  // A file beside it, gone again when its handle closes.
  const std::wstring probe = target + L"." + hex(GetCurrentProcessId()) + L".check";
  win32::UniqueFile file(CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  return file ? SaveError::None : SaveError::CannotCreateTemp;
}

bool Win32FileStore::writeSome(void* file, const char* data, std::uint32_t size, std::uint32_t* written) {
  DWORD n = 0;
  BOOL ok = WriteFile(static_cast<HANDLE>(file), data, size, &n, nullptr);
  *written = n;
  return ok != FALSE;
}

SaveError Win32FileStore::replaceAtomically(const std::string& path, const std::string& bytes) {
  std::wstring target = win32::toWide(path);
  if (target.empty()) return SaveError::CannotCreateTemp;
  // Windows refuses to move a file over a read-only one, Wine does not:
  // check first, so that both keep a file the user protected.
  DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return SaveError::ReplaceFailed;

  // Beside the target, so that the final move stays within one volume. One
  // name per target: what a run ended mid-save left is overwritten by the
  // next save. Shared with nobody, so that a second writer fails instead of
  // mixing its bytes in, and cannot be moved while another has it open.
  const std::wstring temp = target + L".tmp";
  win32::UniqueFile file(
      CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return SaveError::CannotCreateTemp;

  auto fail = [&](SaveError error) {
    file.close();
    DeleteFileW(temp.c_str());
    return error;
  };

  const char* data = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    std::uint32_t chunk = static_cast<std::uint32_t>(std::min<std::size_t>(left, 1u << 24));
    std::uint32_t written = 0;
    if (!writeSome(file.get(), data, chunk, &written) || written == 0) return fail(SaveError::WriteFailed);
    data += written;
    left -= written;
  }
  if (!FlushFileBuffers(file.get())) return fail(SaveError::FlushFailed);
  if (!file.close()) return fail(SaveError::FlushFailed);
  if (!MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return fail(SaveError::ReplaceFailed);
  return SaveError::None;
}

std::unique_ptr<FileStore> makeSystemFileStore() { return std::make_unique<Win32FileStore>(); }

}  // namespace lumova::settings
