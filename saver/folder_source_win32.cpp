#include "saver/folder_source_win32.h"

#include <memory>
#include <utility>

#include "common/window_win32.h"

namespace lumova::saver {
namespace {

constexpr wchar_t kClassName[] = L"LumovaFolderSource";
constexpr UINT kFoundMessage = WM_APP + 23;
constexpr UINT_PTR kRetryTimer = 1;

}  // namespace

Win32FolderSource::Win32FolderSource(HINSTANCE instance, std::vector<std::string> extensions, FolderSourceCalls calls)
    : calls_(std::move(calls)),
      hwnd_([&] {
        win32::registerWindowClass(instance, kClassName,
                                   win32::windowProc<Win32FolderSource, &Win32FolderSource::onMessage>);
        return CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, this);
      }()),
      worker_(std::make_shared<SystemFolderTree>(), std::move(extensions), FolderWorker::Keep::Paths,
              [hwnd = hwnd_] { PostMessageW(hwnd, kFoundMessage, 0, 0); }) {}

Win32FolderSource::~Win32FolderSource() {
  worker_.cancel();
  if (hwnd_) DestroyWindow(hwnd_);
}

void Win32FolderSource::scan(const std::vector<std::string>& folders) {
  folders_ = folders;
  begin();
}

void Win32FolderSource::begin() {
  if (hwnd_) KillTimer(hwnd_, kRetryTimer);
  rescan_.assign(scannedOnce_ ? folders_.size() : 0, {});
  cutShort_ = false;
  worker_.start(folders_);
}

LRESULT Win32FolderSource::onMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_TIMER && wp == kRetryTimer) {
    begin();
    return 0;
  }
  if (msg != kFoundMessage) return DefWindowProcW(hwnd, msg, wp, lp);
  deliver();
  return 0;
}

void Win32FolderSource::deliver() {
  for (FolderFinding& finding : worker_.take()) {
    // Beyond MAX_PATH the loader opens a picture by its long-path form.
    for (std::string& path : finding.pictures) path = longPathForm(path);
    if (!scannedOnce_) {
      if (!finding.pictures.empty() && calls_.found) calls_.found(std::move(finding.pictures));
    } else if (finding.folder < rescan_.size()) {
      std::vector<std::string>& into = rescan_[finding.folder];
      into.insert(into.end(), std::make_move_iterator(finding.pictures.begin()),
                  std::make_move_iterator(finding.pictures.end()));
    }
    if (finding.folderDone && !finding.complete) cutShort_ = true;
    if (!finding.jobDone) continue;
    if (scannedOnce_ && cutShort_) {
      rescan_.clear();
      SetTimer(hwnd_, kRetryTimer, kFolderRetryMs, nullptr);
      return;
    }
    for (std::vector<std::string>& pictures : rescan_)
      if (!pictures.empty() && calls_.found) calls_.found(std::move(pictures));
    rescan_.clear();
    scannedOnce_ = true;
    if (calls_.scanned) calls_.scanned();
    return;
  }
}

}  // namespace lumova::saver
