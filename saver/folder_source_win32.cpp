#include "saver/folder_source_win32.h"

#include <utility>

#include "common/window_win32.h"

namespace lumova::saver {
namespace {

constexpr wchar_t kClassName[] = L"LumovaFolderSource";
constexpr UINT kFoundMessage = WM_APP + 23;

}  // namespace

Win32FolderSource::Win32FolderSource(HINSTANCE instance, std::vector<std::string> extensions, FolderSourceCalls calls)
    : calls_(std::move(calls)),
      hwnd_([&] {
        win32::registerWindowClass(instance, kClassName,
                                   win32::windowProc<Win32FolderSource, &Win32FolderSource::onMessage>);
        return CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, this);
      }()),
      worker_(tree_, std::move(extensions), FolderWorker::Keep::Paths,
              [hwnd = hwnd_] { PostMessageW(hwnd, kFoundMessage, 0, 0); }) {}

Win32FolderSource::~Win32FolderSource() {
  worker_.cancel();
  if (hwnd_) DestroyWindow(hwnd_);
}

void Win32FolderSource::scan(const std::vector<std::string>& folders) { worker_.start(folders); }

LRESULT Win32FolderSource::onMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg != kFoundMessage) return DefWindowProcW(hwnd, msg, wp, lp);
  deliver();
  return 0;
}

void Win32FolderSource::deliver() {
  for (FolderFinding& finding : worker_.take()) {
    if (!finding.pictures.empty()) {
      // Beyond MAX_PATH the loader opens a picture by its long-path form.
      for (std::string& path : finding.pictures) path = longPathForm(path);
      if (calls_.found) calls_.found(std::move(finding.pictures));
    }
    if (finding.jobDone && calls_.scanned) calls_.scanned();
  }
}

}  // namespace lumova::saver
