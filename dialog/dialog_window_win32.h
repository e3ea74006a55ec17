// The settings dialog's window: real Windows controls that mirror
// SettingsDialog, and the routing of their notifications to its reactions.
//
// One class, its parts in files named for their job: dialog_window_win32.cpp
// (making, placing and closing the window; its procedures), tabs_win32
// (tabs and pages), routing_win32 (notifications into model calls),
// mirror_win32 (the model into the controls), common_dialogs_win32
// (message boxes and the system dialogs), status_bar_win32, tooltips_win32
// and run_win32 (the run of "/c").
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/message_box.h"
#include "common/window_win32.h"
#include "picture/folder_tree_win32.h"
#include "picture/folder_worker.h"
#include "picture/missing_decoders.h"
#include "dialog/dialog_host.h"
#include "dialog/settings_dialog.h"
#include "dialog/thumbnail_win32.h"

namespace lumova::dialog {

// Shows a modal message and returns the button pressed; tests put in one
// that records and answers instead of waiting.
using MessageFunction = std::function<MessageAnswer(HWND owner, const std::string& textUtf8, MessageKind kind)>;

inline constexpr int kTabCount = 3;

// What the dialog says when an error it did not expect reaches one of its
// procedures; it carries on after.
inline constexpr const char* kUnexpectedError = "An unexpected error occurred.";

class DialogWindow final : public DialogHost {
 public:
  // Without `messages`, the system's message box; without `folders`, the
  // system's file system counts the folders.
  DialogWindow(HINSTANCE instance, settings::SettingsStore& store, PictureLoader& pictures,
               MessageFunction messages = {}, std::shared_ptr<FolderTree> folders = nullptr);
  ~DialogWindow() override;
  DialogWindow(const DialogWindow&) = delete;
  DialogWindow& operator=(const DialogWindow&) = delete;

  // Makes the dialog, hidden, and runs its start-up, which may show a
  // message before the dialog appears. False when the window cannot be made.
  bool create();
  void show();
  // The dialog's keys for a message loop: Ctrl+Tab and Ctrl+PgUp/PgDn
  // between tabs, then the dialog manager. True when the message was used.
  bool translate(MSG& msg);
  // Until the dialog is unloaded.
  bool isOpen() const { return hwnd_ != nullptr; }

  HWND hwnd() const { return hwnd_; }
  // The real control of `c`; null for controls without a window.
  HWND item(Control c) const { return items_[static_cast<std::size_t>(c)]; }
  int currentTab() const;
  void selectTab(int index);
  SettingsDialog& model() { return *model_; }

  // DialogHost
  settings::SettingsStore& settings() override { return store_; }
  PictureLoader& pictures() override { return pictures_; }
  std::vector<std::string> pictureExtensions() override;
  void countFolders(const std::vector<std::string>& folders) override;
  void showNotice(const std::string& text) override;
  void showMessage(const std::string& text) override;
  bool askYesNo(const std::string& text) override;
  std::vector<std::string> openFiles(const OpenFileRequest& request) override;
  std::optional<std::string> chooseFolder(const FolderRequest& request) override;
  std::optional<FontChoice> chooseFont(const FontRequest& request) override;
  std::optional<std::uint32_t> chooseColour(const ColourRequest& request) override;
  ScreenMetrics metrics() override;
  void moveWindow(int leftTwips, int topTwips) override;
  void unload() override;
  void controlChanged(Control c) override { mirror(c); }

 private:
  template <typename Self, INT_PTR (Self::*)(HWND, UINT, WPARAM, LPARAM)>
  friend INT_PTR CALLBACK win32::dialogProc(HWND, UINT, WPARAM, LPARAM) noexcept;

  // dialog_window_win32.cpp
  INT_PTR onMainMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  INT_PTR onPageMessage(HWND page, UINT msg, WPARAM wp, LPARAM lp);
  void onUnexpectedError() noexcept;
  bool onInitDialog();
  void findItems();
  // tabs_win32.cpp
  void createPages();
  void showPage(int index);
  INT_PTR onTabNotify(const NMHDR& header);
  // routing_win32.cpp
  INT_PTR onCommand(int id, int code, HWND control);
  INT_PTR onScroll(HWND control);
  INT_PTR onPageNotify(HWND page, const NMHDR& header);
  // mirror_win32.cpp
  void prepareControls();
  void mirror(Control c);
  void mirrorEnabling(Control c, HWND h, const ControlState& s);
  void mirrorPictureList(HWND list, const ControlState& s);
  void mirrorFolderList(HWND list, const ControlState& s);
  INT_PTR onControlColour(HDC dc, HWND control);
  bool onDrawItem(const DRAWITEMSTRUCT& item);
  // common_dialogs_win32.cpp: the owner of the modal boxes, the
  // dialog once it is on the screen.
  HWND modalOwner() const;
  // The counting worker has found something.
  static constexpr UINT kCountedMessage = WM_APP + 23;
  void takeCounts();
  // status_bar_win32.cpp
  static constexpr UINT_PTR kClockTimer = 1;
  void createStatusBar();
  void updateClock();
  // tooltips_win32.cpp
  void createToolTips();

  HINSTANCE instance_;
  settings::SettingsStore& store_;
  PictureLoader& pictures_;
  // Shared with the counting worker, which a listing that hangs keeps past the dialog's end.
  std::shared_ptr<FolderTree> folders_;
  MessageFunction messages_;
  std::optional<std::vector<std::string>> extensions_;  // asked of WIC once
  std::optional<MissingDecoders> missing_;              // the formats counted apart
  std::vector<std::string> countJob_;                   // the folders being counted
  std::vector<FolderCount> counting_;                   // their counts so far
  std::unique_ptr<SettingsDialog> model_;
  std::unique_ptr<FolderWorker> counter_;  // after the tree it reads: ends first

  HWND hwnd_ = nullptr;
  HWND tab_ = nullptr;
  HWND status_ = nullptr;
  std::array<HWND, kTabCount> pages_{};
  std::array<HWND, kControlCount> items_{};
  // Of the monitor the dialog is on; positions, the thumbnail and the font
  // dialog's sizes convert at this.
  double twipsPerPixel_ = 15;
  // The colour dialog's sixteen custom colours, kept while the dialog lives.
  std::array<COLORREF, 16> customColours_{};
  ThumbnailPainter thumbnailPainter_;
  bool reportingError_ = false;  // the unexpected-error message is up

  // Set while the view writes into its controls, so that their echoes
  // (EN_CHANGE after SetWindowText) are not taken for the user's changes.
  int mirroring_ = 0;
  std::vector<std::string> picturesShown_;  // pictureList's items as the list box holds them
  std::vector<std::string> foldersShown_;
  std::array<SysColor, kControlCount> backShown_{};
  std::wstring clockShown_;
};

// Runs "/c": the dialog on the settings file in `exeFolderUtf8`, until it is
// unloaded. Returns the exit code of the run.
int runSettingsDialog(HINSTANCE instance, const std::string& exeFolderUtf8, PictureLoader& pictures);
// The same with the platform's picture decoders.
int runSettingsDialog(HINSTANCE instance, const std::string& exeFolderUtf8);

}  // namespace lumova::dialog
