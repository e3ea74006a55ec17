#include "password/password_prompt.h"

#include "common/module1.h"

namespace lumova::password {

void PasswordForm::showPrompt() {
  if (!loaded_) {
    view_.load();
    loaded_ = true;
    Form_Load();
  }
  view_.setVisible(true);
}

void PasswordForm::hidePrompt() {
  // Nothing is cleared: the note and the password box keep their text.
  view_.setVisible(false);
}

void PasswordForm::Form_Load() { view_.setPasswordText(""); }

void PasswordForm::txtPassword_KeyPress(int keyAscii) {
  setNoticeVisible(false);
  if (keyAscii != kEnter) return;
  // Enter on an empty box is not an attempt: it returns to the saver.
  if (view_.passwordText().empty())
    resumeSaver();
  else
    checkPassword();
}

void PasswordForm::txtNotes_KeyPress(int keyAscii) {
  if (keyAscii == kEnter) resumeSaver();
}

void PasswordForm::Form_Close() { resumeSaver(); }

void PasswordForm::checkPassword() {
  // Exact and case-sensitive; blanks around it are part of it.
  if (view_.passwordText() == module1_.saverPassword) {
    saver_.unlockAndEnd();
    return;
  }
  setNoticeVisible(true);
  view_.setPasswordText("");
}

void PasswordForm::resumeSaver() { saver_.resumeSaver(); }

void PasswordForm::setNoticeVisible(bool visible) { view_.setNoticeVisible(visible); }

}  // namespace lumova::password
