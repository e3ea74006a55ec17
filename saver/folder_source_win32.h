// The saver's folder scan on Windows: workers walk the folders, and a
// message-only window on the saver's thread hands what they find to the
// slideshow.
//
// The first scan hands each folder's pictures over as they come, so the
// first can show at once; a folder that does not answer is passed and its
// pictures come when it answers. A rescan's pictures replace the shown ones
// whole at its end, so they are held here until then and handed over in
// folder order. A rescan with a listing cut short (a share gone midway) is
// dropped, keeping the pictures shown, and tried again a while later.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "common/window_win32.h"
#include "picture/folder_tree_win32.h"
#include "picture/folder_worker.h"
#include "saver/picture_sequence.h"

namespace lumova::saver {

struct FolderSourceCalls {
  std::function<void(std::vector<std::string> pictures)> found;  // in order
  std::function<void()> scanned;                                 // the scan has ended
};

inline constexpr UINT kFolderRetryMs = 60 * 1000;

class Win32FolderSource final : public FolderSource {
 public:
  Win32FolderSource(HINSTANCE instance, std::vector<std::string> extensions, FolderSourceCalls calls);
  ~Win32FolderSource() override;
  Win32FolderSource(const Win32FolderSource&) = delete;
  Win32FolderSource& operator=(const Win32FolderSource&) = delete;

  void scan(const std::vector<std::string>& folders) override;

 private:
  template <typename Self, LRESULT (Self::*)(HWND, UINT, WPARAM, LPARAM)>
  friend LRESULT CALLBACK win32::windowProc(HWND, UINT, WPARAM, LPARAM) noexcept;
  LRESULT onMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void onUnexpectedError() {}
  void begin();
  void deliver();

  FolderSourceCalls calls_;
  HWND hwnd_ = nullptr;
  std::vector<std::string> folders_;              // of the scan running
  bool scannedOnce_ = false;                      // the scans from now on are rescans
  std::vector<std::vector<std::string>> rescan_;  // by folder, until the rescan ends
  bool cutShort_ = false;
  FolderWorker worker_;  // after the window it wakes; ends before it
};

}  // namespace lumova::saver
