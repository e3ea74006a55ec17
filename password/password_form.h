// The password prompt of a protected saver: what its keys do. The window
// itself is behind PasswordView; it is loaded on its first showing and from
// then on only hidden and shown, so the note and a partly typed password
// survive for the life of the program.
#pragma once

#include <string>

#include "startup/input.h"

namespace lumova::startup {
struct Module1;
}

namespace lumova::password {

inline constexpr char kTitle[] = "Password Protection";
inline constexpr char kNoticeText[] = "INVALID PASSWORD!";
inline constexpr int kEnter = 13;

class PasswordView {
 public:
  virtual ~PasswordView() = default;
  // Creates the window with its controls, hidden.
  virtual void load() = 0;
  // Shown modeless in front of everything, the password box focused; or hidden.
  virtual void setVisible(bool visible) = 0;
  virtual std::string passwordText() const = 0;
  virtual void setPasswordText(const std::string& text) = 0;
  virtual void setNoticeVisible(bool visible) = 0;
};

class PasswordForm final : public startup::Prompt {
 public:
  PasswordForm(PasswordView& view, const startup::Module1& module1, startup::SaverSession& saver)
      : view_(view), module1_(module1), saver_(saver) {}

  // startup::Prompt
  void showPrompt() override;
  void hidePrompt() override;

  void Form_Load();
  // A character typed into a box, before the box takes it.
  void txtPassword_KeyPress(int keyAscii);
  void txtNotes_KeyPress(int keyAscii);
  // The frame's close button, or Alt+F4: the saver must not stay disabled.
  void Form_Close();

  void checkPassword();
  void resumeSaver();

  bool loaded() const { return loaded_; }
  bool visible() const { return visible_; }
  bool noticeVisible() const { return noticeVisible_; }

 private:
  void setNoticeVisible(bool visible);

  PasswordView& view_;
  const startup::Module1& module1_;
  startup::SaverSession& saver_;
  bool loaded_ = false;
  bool visible_ = false;
  bool noticeVisible_ = false;
};

}  // namespace lumova::password
