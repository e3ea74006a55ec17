/* Windows that end-to-end tests put on the screen.
 *   lumova_e2e_window.exe pattern      full-screen window with a known pattern
 *   lumova_e2e_window.exe host W H     a plain white window of client size W x H
 *                                      at (40, 40); writes its handle, in
 *                                      decimal, to hwnd.txt beside the program
 * The pattern's colour at (x, y): red = x & 255, green = y & 255,
 * blue = ((x / 8 + y / 8) & 1) * 255.
 */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int g_pattern;

static void paintPattern(HDC dc, const RECT* r) {
  int w = r->right - r->left, h = r->bottom - r->top;
  BITMAPINFO bi;
  unsigned* bits = NULL;
  HBITMAP bmp;
  HDC mem;
  int x, y;
  memset(&bi, 0, sizeof bi);
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, (void**)&bits, NULL, 0);
  if (!bmp) return;
  for (y = 0; y < h; ++y)
    for (x = 0; x < w; ++x) {
      int sx = x + r->left, sy = y + r->top;
      unsigned red = sx & 255, green = sy & 255, blue = ((sx / 8 + sy / 8) & 1) * 255;
      bits[y * w + x] = (red << 16) | (green << 8) | blue;
    }
  mem = CreateCompatibleDC(dc);
  SelectObject(mem, bmp);
  BitBlt(dc, r->left, r->top, w, h, mem, 0, 0, SRCCOPY);
  DeleteDC(mem);
  DeleteObject(bmp);
}

static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (g_pattern)
      paintPattern(dc, &ps.rcPaint);
    else
      FillRect(dc, &ps.rcPaint, (HBRUSH)GetStockObject(WHITE_BRUSH));
    EndPaint(hwnd, &ps);
    return 0;
  }
  if (msg == WM_ERASEBKGND) return 1;
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

int WINAPI WinMain(HINSTANCE inst, HINSTANCE prev, LPSTR args, int show) {
  WNDCLASSA wc;
  HWND hwnd;
  MSG m;
  (void)prev;
  (void)show;
  memset(&wc, 0, sizeof wc);
  wc.lpfnWndProc = proc;
  wc.hInstance = inst;
  wc.hCursor = LoadCursor(NULL, IDC_ARROW);
  wc.lpszClassName = "LumovaE2EWindow";
  RegisterClassA(&wc);

  if (strncmp(args, "pattern", 7) == 0) {
    g_pattern = 1;
    hwnd = CreateWindowExA(0, wc.lpszClassName, "Lumova E2E Pattern", WS_POPUP | WS_VISIBLE, 0, 0,
                           GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), NULL, NULL, inst, NULL);
  } else {
    int w = 300, h = 200;
    char path[MAX_PATH], *slash;
    FILE* f;
    RECT r;
    sscanf(args, "host %d %d", &w, &h);
    r.left = 40, r.top = 40, r.right = 40 + w, r.bottom = 40 + h;
    AdjustWindowRect(&r, WS_POPUP, FALSE);
    hwnd = CreateWindowExA(0, wc.lpszClassName, "Lumova E2E Host", WS_POPUP | WS_VISIBLE, r.left, r.top,
                           r.right - r.left, r.bottom - r.top, NULL, NULL, inst, NULL);
    UpdateWindow(hwnd);
    if (strstr(args, "child")) {
      /* The screen-saver host previews into a child window of its dialog. */
      HWND child = CreateWindowExA(0, wc.lpszClassName, "", WS_CHILD | WS_VISIBLE, 0, 0, w, h, hwnd, NULL, inst, NULL);
      UpdateWindow(child);
      hwnd = child;
    }
    GetModuleFileNameA(NULL, path, MAX_PATH);
    slash = strrchr(path, '\\');
    if (slash) strcpy(slash + 1, "hwnd.txt");
    f = fopen(path, "w");
    if (f) {
      fprintf(f, "%lu\n", (unsigned long)(ULONG_PTR)hwnd);
      fclose(f);
    }
  }
  while (GetMessageA(&m, NULL, 0, 0) > 0) {
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
  return 0;
}
