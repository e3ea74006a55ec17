// The preview drawn into a host window of this process, read back pixel by pixel.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/gdi_win32.h"
#include "res/resource_ids.h"
#include "startup/preview_win32.h"

using namespace lumova;

namespace {

LRESULT CALLBACK whiteProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND makeHost(int w, int h) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = whiteProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "PreviewTestHost";
  RegisterClassA(&wc);
  HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "host", WS_POPUP | WS_VISIBLE, 30, 30, w, h, nullptr, nullptr,
                              wc.hInstance, nullptr);
  UpdateWindow(hwnd);
  return hwnd;
}

}  // namespace

TEST(Preview, CopiesTheBuiltInPictureAsOneBlockAtTheTopLeft) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  win32::UniqueBitmap picture(static_cast<HBITMAP>(
      LoadImageA(instance, MAKEINTRESOURCEA(IDB_PREVIEW), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  ASSERT_TRUE(picture);
  BITMAP bm{};
  GetObject(picture.get(), sizeof bm, &bm);
  ASSERT_EQ(bm.bmWidth, 151);
  ASSERT_EQ(bm.bmHeight, 119);

  HWND host = makeHost(300, 200);
  startup::showPreview(instance, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(host)));

  win32::WindowDc screen(host);
  win32::UniqueMemoryDc memory(CreateCompatibleDC(screen.get()));
  win32::SelectIn select(memory.get(), picture.get());
  int wrong = 0;
  for (int y = 0; y < 119; ++y)
    for (int x = 0; x < 151; ++x)
      if (GetPixel(screen.get(), x, y) != GetPixel(memory.get(), x, y)) ++wrong;
  EXPECT_EQ(wrong, 0);
  // The block is 160 x 120: the strips beyond the picture are drawn too, and
  // nothing past them.
  EXPECT_NE(GetPixel(screen.get(), 155, 50), RGB(255, 255, 255));
  EXPECT_NE(GetPixel(screen.get(), 50, 119), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(screen.get(), 160, 50), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(screen.get(), 50, 120), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(screen.get(), 299, 199), RGB(255, 255, 255));
  DestroyWindow(host);
}
