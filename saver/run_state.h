// Where one run of the saver stands. The show moves through its phases by
// itself; the password prompt comes and goes over it (pictures keep
// changing under the prompt), and the user may pause it; either side can
// end the run, and an ended run stays ended. While the display is off the
// show holds still in its phase.
#pragma once

namespace lumova::saver {

enum class ShowPhase {
  Starting,            // the window is up, the first picture not yet due
  WaitingForPictures,  // the folders have found none yet, or none could be shown
  Showing,             // pictures on the screen, the next change timed
  Changing,            // a change under way: loading, the pause, the effect
  Ended,
};

class RunState {
 public:
  ShowPhase phase() const { return phase_; }
  bool ended() const { return phase_ == ShowPhase::Ended; }
  bool prompting() const { return prompting_ && !ended(); }
  // Input interrupts the show only while it runs unprompted.
  bool takesInput() const { return !ended() && !prompting_; }
  // Nothing is drawn and no timer runs while the display is off.
  bool displayOff() const { return displayOff_ && !ended(); }

  void enter(ShowPhase next) {
    if (!ended()) phase_ = next;
  }
  void setPrompting(bool on) {
    if (!ended()) prompting_ = on;
  }
  // Paused by the user: no change comes by itself and nothing moves; the
  // keys still step through the pictures.
  bool paused() const { return paused_ && !ended(); }
  void setPaused(bool on) {
    if (!ended()) paused_ = on;
  }
  void setDisplayOff(bool off) {
    if (!ended()) displayOff_ = off;
  }

 private:
  ShowPhase phase_ = ShowPhase::Starting;
  bool prompting_ = false;
  bool paused_ = false;
  bool displayOff_ = false;
};

}  // namespace lumova::saver
