// The saver window on Windows: a borderless topmost window over the whole
// virtual screen that keeps a persistent image of its background. The
// picture surface and the caption label are layers the window draws itself,
// the picture over the caption over the background: moving a floating
// picture then costs one copy of it and the strips it uncovers, with no
// window of its own to move. The slideshow is placed on the primary monitor.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "common/gdi_win32.h"
#include "common/timers.h"
#include "common/window_win32.h"
#include "saver/saver_view.h"

namespace lumova::saver {

class DisplayFrameWaiter;

struct ScreenGeometry {
  RECT virtualScreen;  // every monitor, in screen coordinates
  RECT primary;        // the primary monitor, in screen coordinates
  double twipsPerPixelX;
  double twipsPerPixelY;
};
ScreenGeometry queryScreenGeometry();

// Input as the window receives it. Positions on the window are twips from
// its top-left corner, as its own coordinates are; on the picture surface
// they are the picture's own pixels.
struct SaverInput {
  std::function<void()> onKey;
  std::function<void()> onBackgroundButton;
  std::function<void(float xTwips, float yTwips)> onBackgroundMove;
  std::function<void(int x, int y)> onPictureMove;
  // The saver must end, the lock released first: the window was closed or
  // destroyed from outside, the session is ending, or an error nothing else
  // caught reached the window.
  std::function<void()> onEnd;
};

class SaverWindow final : public SaverView, public Timers, public EventPump, public SaverWindowControl {
 public:
  SaverWindow(HINSTANCE instance, std::function<void(TimerId)> onTimer, SaverInput input);
  ~SaverWindow() override;
  SaverWindow(const SaverWindow&) = delete;
  SaverWindow& operator=(const SaverWindow&) = delete;

  HWND hwnd() const { return hwnd_; }
  // Benchmarks only: effects draw every frame at once instead of one a
  // display frame, so that thousands of changes take minutes.
  void setEffectsUnpaced(bool unpaced) { effectsUnpaced_ = unpaced; }

  // SaverView
  double screenWidth() const override;
  double screenHeight() const override;
  double twipsPerPixelX() const override { return geo_.twipsPerPixelX; }
  double twipsPerPixelY() const override { return geo_.twipsPerPixelY; }
  void setBackColor(std::uint32_t rgb) override;
  void snapshotDesktop() override;
  void setCaptionFont(const CaptionFont& font) override;
  void setCaptionColor(std::uint32_t rgb) override;
  void setCaptionTop(double twips) override;
  void setCaptionVisible(bool visible) override;
  TwipSize setCaptionText(const std::string& text) override;
  double captionLineHeight() const override;
  void setCaptionGeometry(double left, double width, double height) override;
  void clearPictures() override;
  void setSourcePicture(PicturePtr picture) override;
  void setPictureVisible(bool visible) override;
  void setPictureRect(const TwipRect& r) override;
  bool playEffect(int effect) override;
  void commitPicture() override;
  void unload() override;

  // Timers
  void set(TimerId id, std::uint32_t intervalMs) override;
  void kill(TimerId id) override;

  // EventPump: the nested message loop of the pause before a reveal.
  void pumpFor(double maxSeconds) override;

  // SaverWindowControl: enabled again, the window takes the keyboard focus
  // back, so keys reach it.
  void show() override;
  void setInputEnabled(bool enabled) override;

 private:
  template <typename Self, LRESULT (Self::*)(HWND, UINT, WPARAM, LPARAM)>
  friend LRESULT CALLBACK win32::windowProc(HWND, UINT, WPARAM, LPARAM) noexcept;
  void onUnexpectedError();
  LRESULT onFrame(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void onMouseMove(POINT at);
  void onButton(POINT at);
  void paintFrame();
  // Draws everything the window shows inside `area` (client pixels).
  void paintArea(HDC dc, const RECT& area);
  // The picture layer alone, where it stands now.
  void paintPicture(HDC dc);
  HFONT captionFont() const;
  // The monitors changed: the window covers the new screen, repainted.
  void onDisplayChange();

  // Twips on the primary monitor to pixels of the window's client area.
  int toClientX(double twips) const;
  int toClientY(double twips) const;

  HWND hwnd_ = nullptr;
  std::function<void(TimerId)> onTimer_;
  SaverInput input_;
  ScreenGeometry geo_{};
  win32::OffscreenSurface background_;  // the window's persistent image
  COLORREF backColor_ = 0;
  COLORREF pictureBackColor_ = 0;
  PicturePtr source_;  // the loaded picture the effects copy from
  // The picture surface: where it is (client pixels), whether it shows, and
  // what: its own colour (just shown, before the reveal) or the committed
  // picture.
  RECT pictureRect_{};
  bool pictureVisible_ = false;
  bool pictureFilled_ = false;
  PicturePtr committed_;
  win32::BitmapDc committedDc_;  // committed_'s bitmap, ready to draw from
  // The caption label.
  RECT captionRect_{};
  bool captionVisible_ = false;
  win32::UniqueFont captionFont_;
  COLORREF captionColor_ = 0;
  std::wstring captionText_;
  double captionTopTwips_ = 0;
  bool unloading_ = false;  // our own unload: closing is not an end then
  std::unique_ptr<DisplayFrameWaiter> frameWaiter_;
  bool effectsUnpaced_ = false;
};

}  // namespace lumova::saver
