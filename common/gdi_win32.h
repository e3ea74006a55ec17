// RAII holders for GDI objects, device contexts and kernel handles.
#pragma once

#include <windows.h>

#include <utility>

namespace lumova::win32 {

template <typename H, typename Traits>
class Unique {
 public:
  Unique() = default;
  explicit Unique(H h) : h_(h) {}
  ~Unique() { close(); }
  Unique(Unique&& o) noexcept : h_(std::exchange(o.h_, Traits::invalid())) {}
  Unique& operator=(Unique&& o) noexcept {
    if (this != &o) reset(std::exchange(o.h_, Traits::invalid()));
    return *this;
  }
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;

  H get() const { return h_; }
  explicit operator bool() const { return Traits::valid(h_); }
  H release() { return std::exchange(h_, Traits::invalid()); }
  void reset(H h = Traits::invalid()) {
    close();
    h_ = h;
  }
  // Lets go of the object; false when the system refused to close it (a
  // file whose last writes could not be flushed).
  bool close() {
    const H h = std::exchange(h_, Traits::invalid());
    return !Traits::valid(h) || Traits::close(h);
  }

 private:
  H h_ = Traits::invalid();
};

template <typename H>
struct GdiObjectTraits {
  static H invalid() { return nullptr; }
  static bool valid(H h) { return h != nullptr; }
  static bool close(H h) { return DeleteObject(h) != FALSE; }
};
struct MemoryDcTraits {
  static HDC invalid() { return nullptr; }
  static bool valid(HDC h) { return h != nullptr; }
  static bool close(HDC h) { return DeleteDC(h) != FALSE; }
};
// Kernel handles: events, timers, threads (null when there is none) and
// files (INVALID_HANDLE_VALUE when there is none; null is refused too).
struct HandleTraits {
  static HANDLE invalid() { return nullptr; }
  static bool valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static bool close(HANDLE h) { return CloseHandle(h) != FALSE; }
};
struct FileHandleTraits : HandleTraits {
  static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
};

using UniqueBitmap = Unique<HBITMAP, GdiObjectTraits<HBITMAP>>;
using UniqueFont = Unique<HFONT, GdiObjectTraits<HFONT>>;
using UniqueBrush = Unique<HBRUSH, GdiObjectTraits<HBRUSH>>;
using UniqueMemoryDc = Unique<HDC, MemoryDcTraits>;
using UniqueHandle = Unique<HANDLE, HandleTraits>;
using UniqueFile = Unique<HANDLE, FileHandleTraits>;

// A window's DC (GetDC/ReleaseDC).
class WindowDc {
 public:
  explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
  ~WindowDc() {
    if (dc_) ReleaseDC(hwnd_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND hwnd_;
  HDC dc_;
};

// Selects an object into a DC for the holder's lifetime.
class SelectIn {
 public:
  // A null object (a control without its own font) selects nothing.
  SelectIn(HDC dc, HGDIOBJ obj) : dc_(dc), old_(obj ? SelectObject(dc, obj) : nullptr) {}
  ~SelectIn() {
    if (old_) SelectObject(dc_, old_);
  }
  SelectIn(const SelectIn&) = delete;
  SelectIn& operator=(const SelectIn&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// A memory DC that keeps one bitmap selected until it is given another, so
// that a bitmap drawn from again and again is not selected each time.
class BitmapDc {
 public:
  BitmapDc() : dc_(CreateCompatibleDC(nullptr)) {}
  ~BitmapDc() { show(nullptr); }
  BitmapDc(const BitmapDc&) = delete;
  BitmapDc& operator=(const BitmapDc&) = delete;
  // Selects `bitmap` (null: none), letting go of the one before.
  void show(HBITMAP bitmap) {
    if (!dc_) return;
    if (original_) SelectObject(dc_.get(), original_);
    original_ = bitmap ? SelectObject(dc_.get(), bitmap) : nullptr;
  }
  HDC dc() const { return dc_.get(); }

 private:
  UniqueMemoryDc dc_;
  HGDIOBJ original_ = nullptr;
};

// A memory DC with a compatible bitmap selected, for off-screen drawing.
class OffscreenSurface {
 public:
  OffscreenSurface() = default;
  bool create(HDC reference, int width, int height);
  HDC dc() const { return dc_.get(); }
  HBITMAP bitmap() const { return bitmap_.get(); }
  int width() const { return width_; }
  int height() const { return height_; }
  void fill(COLORREF colour);

 private:
  UniqueMemoryDc dc_;
  UniqueBitmap bitmap_;
  HGDIOBJ original_ = nullptr;
  int width_ = 0;
  int height_ = 0;

 public:
  ~OffscreenSurface();
};

// RGB colour value as the settings hold it (red in the low byte) to COLORREF;
// they share the layout, but only 24 bits of it.
inline COLORREF toColorRef(unsigned rgb) { return static_cast<COLORREF>(rgb & 0xFFFFFF); }
inline unsigned fromColorRef(COLORREF colour) { return static_cast<unsigned>(colour & 0xFFFFFF); }

// A 32-bit top-down DIB section (B, G, R, A rows without padding) and its
// pixels; null when the size is empty or the bitmap cannot be made.
HBITMAP createTopDownDib(int width, int height, void** bits);

}  // namespace lumova::win32
