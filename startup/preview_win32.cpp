#include "startup/preview_win32.h"

#include "common/gdi_win32.h"
#include "res/resource_ids.h"

namespace lumova::startup {
namespace {

constexpr int kBlockWidth = 160;
constexpr int kBlockHeight = 120;

// Lets window creation, paints and the host's own messages run.
void yieldTimes(int times) {
  MSG msg;
  for (int i = 0; i < times; ++i)
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
}

}  // namespace

void showPreview(HINSTANCE instance, std::uint32_t host) {
  // The picture box: the 151 x 119 picture at the top-left of the block,
  // the strips beyond it black.
  win32::UniqueBitmap picture(static_cast<HBITMAP>(
      LoadImageA(instance, MAKEINTRESOURCEA(IDB_PREVIEW), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  win32::WindowDc screen(nullptr);
  win32::OffscreenSurface box;
  if (!picture || !box.create(screen.get(), kBlockWidth, kBlockHeight)) return;
  box.fill(RGB(0, 0, 0));
  {
    win32::UniqueMemoryDc source(CreateCompatibleDC(screen.get()));
    win32::SelectIn select(source.get(), picture.get());
    BITMAP bm{};
    GetObject(picture.get(), sizeof bm, &bm);
    BitBlt(box.dc(), 0, 0, bm.bmWidth, bm.bmHeight, source.get(), 0, 0, SRCCOPY);
  }

  yieldTimes(200);
  HWND target = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(host));
  {
    win32::WindowDc dc(target);
    if (dc) BitBlt(dc.get(), 0, 0, kBlockWidth, kBlockHeight, box.dc(), 0, 0, SRCCOPY);
  }
  // The drawing reaches the screen only once it is flushed.
  GdiFlush();
  yieldTimes(200);
}

}  // namespace lumova::startup
