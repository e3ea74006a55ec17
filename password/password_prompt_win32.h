// The password prompt's window on Windows: a small fixed frame, topmost,
// with the note box, the password box and the wrong-password notice laid
// out in twips and placed at the monitor's DPI.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "common/gdi_win32.h"
#include "common/window_win32.h"
#include "password/password_prompt.h"

namespace lumova::password {

// "Message Board", "('Enter' to hide)", the note box, "Password", the
// password box and the wrong-password notice.
enum class Control { boardLabel, hideHint, notesBox, passwordLabel, passwordBox, wrongPasswordNotice, Count };

// Characters as the boxes receive them, before a box takes the character.
struct PasswordKeys {
  std::function<void(int key)> onPasswordChar;
  std::function<void(int key)> onNotesChar;
  std::function<void()> onClose;
};

class PasswordWindow final : public PasswordView {
 public:
  // Twips per pixel of the monitor the prompt appears on.
  PasswordWindow(HINSTANCE instance, double twipsPerPixelX, double twipsPerPixelY, PasswordKeys keys);
  ~PasswordWindow() override;
  PasswordWindow(const PasswordWindow&) = delete;
  PasswordWindow& operator=(const PasswordWindow&) = delete;

  // PasswordView
  void load() override;
  void setVisible(bool visible) override;
  std::string passwordText() const override;
  void setPasswordText(const std::string& text) override;
  void setNoticeVisible(bool visible) override;

  HWND hwnd() const { return hwnd_; }
  HWND control(Control c) const { return controls_[static_cast<int>(c)]; }

 private:
  template <typename Self, LRESULT (Self::*)(HWND, UINT, WPARAM, LPARAM)>
  friend LRESULT CALLBACK win32::windowProc(HWND, UINT, WPARAM, LPARAM) noexcept;
  static LRESULT CALLBACK editProc(HWND edit, UINT msg, WPARAM wp, LPARAM lp) noexcept;
  void onUnexpectedError();
  LRESULT onFrame(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  // True when the message is used up here, not handed to the edit control.
  bool onEdit(HWND edit, UINT msg, WPARAM wp);
  void createControls();

  HINSTANCE instance_;
  double tppX_;
  double tppY_;
  PasswordKeys keys_;
  HWND hwnd_ = nullptr;
  HWND controls_[static_cast<int>(Control::Count)] = {};
  HWND focus_ = nullptr;  // the box that had the focus when the prompt was last active
  win32::UniqueFont font_;
  win32::UniqueFont noticeFont_;
};

}  // namespace lumova::password
