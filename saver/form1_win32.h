// The saver window on Windows: a borderless topmost window over the whole
// virtual screen that keeps a persistent image of its background.
#pragma once

#include <windows.h>

#include <functional>

#include "common/gdi_win32.h"
#include "common/timers.h"
#include "saver/saver_view.h"

namespace lumova::saver {

struct ScreenGeometry {
  RECT virtualScreen;  // every monitor, in screen coordinates
  RECT primary;        // the primary monitor, in screen coordinates
  double twipsPerPixelX;
  double twipsPerPixelY;
};
ScreenGeometry queryScreenGeometry();

class SaverWindow final : public SaverView, public Timers {
 public:
  struct Handlers {
    std::function<void(TimerId)> onTimer;
    std::function<void()> onKey;
  };

  SaverWindow(HINSTANCE instance, Handlers handlers);
  ~SaverWindow() override;
  SaverWindow(const SaverWindow&) = delete;
  SaverWindow& operator=(const SaverWindow&) = delete;

  HWND hwnd() const { return hwnd_; }
  const ScreenGeometry& geometry() const { return geo_; }

  // SaverView
  double screenWidth() const override;
  double screenHeight() const override;
  void setBackColor(std::uint32_t rgb) override;
  void snapshotDesktop() override;
  void setCaptionFont(const CaptionFont& font) override;
  void setCaptionColor(std::uint32_t rgb) override;
  void setCaptionTop(double twips) override;

  // Timers
  void set(TimerId id, std::uint32_t intervalMs) override;
  void kill(TimerId id) override;

 private:
  static LRESULT CALLBACK wndProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);
  void paint();

  HWND hwnd_ = nullptr;
  Handlers handlers_;
  ScreenGeometry geo_{};
  win32::OffscreenSurface background_;  // the window's persistent image
  COLORREF backColor_ = 0;
  win32::UniqueFont captionFont_;
  COLORREF captionColor_ = 0;
  int captionTopPx_ = 0;
};

}  // namespace lumova::saver
