// The saver's folder scan on Windows: one worker walks the folders, and a
// message-only window on the saver's thread hands what it finds to the
// slideshow as it comes.
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
  void deliver();

  FolderSourceCalls calls_;
  SystemFolderTree tree_;
  HWND hwnd_ = nullptr;
  FolderWorker worker_;  // after the window it wakes; ends before it
};

}  // namespace lumova::saver
