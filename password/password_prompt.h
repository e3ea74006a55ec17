// The password prompt of a protected saver: what its keys do. The window
// itself is behind PasswordView; it is loaded on its first showing and from
// then on only hidden and shown, so the note and a partly typed password
// survive for the life of the program.
#pragma once

#include <string>

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

// The password prompt as the saver brings it up and puts it away.
class Prompt {
 public:
  virtual ~Prompt() = default;
  // Loads the prompt the first time; later it is only shown again.
  virtual void showPrompt() = 0;
  virtual void hidePrompt() = 0;
};

// The interrupted saver as the prompt hands it back: running again, or
// ended by the correct password.
class SaverControl {
 public:
  virtual ~SaverControl() = default;
  virtual void resumeSaver() = 0;
  virtual void unlockAndEnd() = 0;
};

class PasswordPrompt final : public Prompt {
 public:
  // `password` is the run's saver password, held by reference: the saver
  // reads its settings after the prompt is made.
  PasswordPrompt(PasswordView& view, const std::string& password, SaverControl& saver)
      : view_(view), password_(password), saver_(saver) {}
  PasswordPrompt(PasswordView& view, const std::string&& password, SaverControl& saver) = delete;

  // Prompt
  void showPrompt() override;
  void hidePrompt() override;

  void onLoad();
  // A character typed into a box, before the box takes it.
  void onPasswordKey(int key);
  void onNotesKey(int key);
  // The frame's close button, or Alt+F4: the saver must not stay disabled.
  void onClose();

  void checkPassword();
  void resumeSaver();

 private:
  void setNoticeVisible(bool visible);

  PasswordView& view_;
  const std::string& password_;
  SaverControl& saver_;
  bool loaded_ = false;
};

}  // namespace lumova::password
