#include "password/password_prompt.h"

namespace lumova::password {

void PasswordPrompt::showPrompt() {
  if (!loaded_) {
    view_.load();
    loaded_ = true;
    onLoad();
  }
  view_.setVisible(true);
}

void PasswordPrompt::hidePrompt() {
  // Nothing is cleared: the note and the password box keep their text.
  view_.setVisible(false);
}

void PasswordPrompt::onLoad() { view_.setPasswordText(""); }

void PasswordPrompt::onPasswordKey(int key) {
  setNoticeVisible(false);
  if (key != kEnter) return;
  // Enter on an empty box is not an attempt: it returns to the saver.
  if (view_.passwordText().empty())
    resumeSaver();
  else
    checkPassword();
}

void PasswordPrompt::onNotesKey(int key) {
  if (key == kEnter) resumeSaver();
}

void PasswordPrompt::onClose() { resumeSaver(); }

void PasswordPrompt::checkPassword() {
  // Exact and case-sensitive; blanks around it are part of it.
  if (view_.passwordText() == password_) {
    saver_.unlockAndEnd();
    return;
  }
  setNoticeVisible(true);
  view_.setPasswordText("");
}

void PasswordPrompt::resumeSaver() { saver_.resumeSaver(); }

void PasswordPrompt::setNoticeVisible(bool visible) { view_.setNoticeVisible(visible); }

}  // namespace lumova::password
