// The settings dialog's window: real Windows controls that mirror
// Form2Model, and the routing of their notifications to its reactions.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/message_box.h"
#include "dialog/form2_host.h"
#include "dialog/form2_model.h"
#include "dialog/form2_thumbnail_win32.h"

namespace lumova {
class PictureLoader;
namespace settings {
class SettingsStore;
}
}  // namespace lumova

namespace lumova::dialog {

// Shows a modal message and returns the button pressed; tests put in one
// that records and answers instead of waiting.
using MessageFunction = std::function<MessageAnswer(HWND owner, const std::string& textUtf8, MessageKind kind)>;

// The exclamation icon, OK (or Yes and No), the application title.
MessageAnswer showMessageBox(HWND owner, const std::string& textUtf8, MessageKind kind);

inline constexpr int kTabCount = 3;

class Form2Window final : public Form2Host {
 public:
  Form2Window(HINSTANCE instance, settings::SettingsStore& store, PictureLoader& pictures,
              MessageFunction messages = showMessageBox);
  ~Form2Window() override;
  Form2Window(const Form2Window&) = delete;
  Form2Window& operator=(const Form2Window&) = delete;

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
  HWND tabControl() const { return tab_; }
  HWND page(int index) const { return pages_[static_cast<std::size_t>(index)]; }
  HWND statusBar() const { return status_; }
  HWND toolTips() const { return tips_; }
  // The real control of `c`; null for controls without a window.
  HWND item(Control c) const { return items_[static_cast<std::size_t>(c)]; }
  int currentTab() const;
  void selectTab(int index);
  Form2Model& model() { return *model_; }

  // Form2Host
  settings::SettingsStore& settings() override { return store_; }
  PictureLoader& pictures() override { return pictures_; }
  void showMessage(const std::string& text) override;
  bool askYesNo(const std::string& text) override;
  std::optional<std::string> openFile(const OpenFileRequest& request) override;
  std::optional<FontChoice> chooseFont(const FontRequest& request) override;
  std::optional<std::uint32_t> chooseColour(const ColourRequest& request) override;
  ScreenMetrics metrics() override;
  void moveWindow(int leftTwips, int topTwips) override;
  void unload() override;
  void controlChanged(Control c) override { mirror(c); }

 private:
  static INT_PTR CALLBACK mainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static INT_PTR CALLBACK pageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  INT_PTR onMainMessage(UINT msg, WPARAM wp, LPARAM lp);
  INT_PTR onPageMessage(HWND page, UINT msg, WPARAM wp, LPARAM lp);
  bool onInitDialog();
  INT_PTR onCommand(int id, int code, HWND control);
  INT_PTR onControlColour(HDC dc, HWND control);
  bool onDrawItem(const DRAWITEMSTRUCT& item);
  void showPage(int index);
  void createStatusBar();
  void createToolTips();
  void updateClock();
  void mirror(Control c);
  // Owner of the modal boxes: the dialog once it is on the screen.
  HWND modalOwner() const;
  void mirrorList(HWND list);

  HINSTANCE instance_;
  settings::SettingsStore& store_;
  PictureLoader& pictures_;
  MessageFunction messages_;
  std::unique_ptr<Form2Model> model_;

  HWND hwnd_ = nullptr;
  HWND tab_ = nullptr;
  HWND status_ = nullptr;
  HWND tips_ = nullptr;
  std::array<HWND, kTabCount> pages_{};
  std::array<HWND, kControlCount> items_{};
  int twipsPerPixelX_ = 15;
  int twipsPerPixelY_ = 15;
  int dpiY_ = 96;  // font heights and point sizes convert at this
  // The colour dialog's sixteen custom colours, kept while the dialog lives.
  std::array<COLORREF, 16> customColours_{};
  ThumbnailPainter thumbnailPainter_;

  // Set while the view writes into its controls, so that their echoes
  // (EN_CHANGE after SetWindowText) are not taken for the user's changes.
  int mirroring_ = 0;
  std::vector<std::string> listShown_;  // List1's items as the list box holds them
  std::array<SysColor, kControlCount> backShown_{};
  std::wstring clockShown_;
};

// Runs "/c": the dialog on the settings file in `exeFolderUtf8`, until it is
// unloaded. Returns the exit code of the run.
int runSettingsDialog(HINSTANCE instance, const std::string& exeFolderUtf8, PictureLoader& pictures);
// The same with the platform's picture decoders.
int runSettingsDialog(HINSTANCE instance, const std::string& exeFolderUtf8);

}  // namespace lumova::dialog
