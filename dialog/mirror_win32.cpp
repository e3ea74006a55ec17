// The model's state in the real controls: values, texts, items, enabling,
// the background of boxes that follow it, the swatches and the thumbnail.
#include "dialog/dialog_window_win32.h"

#include <commctrl.h>

#include <algorithm>

#include "common/gdi_win32.h"
#include "common/units.h"
#include "dialog/control_text_win32.h"

namespace lumova::dialog {
namespace {

using C = Control;

// A list box scrolls sideways as far as its widest entry and this margin.
constexpr int kScrollMargin = 8;

int scrollWidth(HWND list) {
  return std::max(0, static_cast<int>(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0)) - kScrollMargin);
}

void setScrollWidth(HWND list, int widest) {
  SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + kScrollMargin), 0);
}

// The width of the widest of `entries` [from, to) in the list's font, and at
// least `widest`.
int widestEntry(HWND list, const std::vector<std::string>& entries, std::size_t from, std::size_t to, int widest) {
  win32::WindowDc dc(list);
  if (!dc) return widest;
  win32::SelectIn font(dc.get(), reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
  for (std::size_t k = from; k < to; ++k) {
    const std::wstring text = controlText(entries[k]);
    SIZE size{};
    GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
    widest = std::max(widest, static_cast<int>(size.cx));
  }
  return widest;
}

void selectEntry(HWND list, int index) {
  if (SendMessageW(list, LB_GETCURSEL, 0, 0) != index) SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

class Counter {
 public:
  explicit Counter(int& n) : n_(n) { ++n_; }
  ~Counter() { --n_; }
  Counter(const Counter&) = delete;
  Counter& operator=(const Counter&) = delete;

 private:
  int& n_;
};

}  // namespace

void DialogWindow::prepareControls() {
  // The thumbnail box draws on an area of the thumbnail's size in twips.
  if (HWND box = item(C::thumbnailBox)) {
    RECT r{0, 0, twipsToPixels(kThumbnailWidth, twipsPerPixel_), twipsToPixels(kThumbnailHeight, twipsPerPixel_)};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(box, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(box, GWL_EXSTYLE)));
    SetWindowPos(box, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  const settings::Range speeds = controlRange(C::floatSpeed);
  SendMessageW(item(C::floatSpeed), TBM_SETRANGE, FALSE, MAKELPARAM(speeds.low, speeds.high));
  SendMessageW(item(C::floatSpeed), TBM_SETPAGESIZE, 0, 1);
  // Up raises: the maximum is the top end.
  const settings::Range seconds = controlRange(C::intervalSpin);
  SendMessageW(item(C::intervalSpin), UDM_SETRANGE32, static_cast<WPARAM>(seconds.low),
               static_cast<LPARAM>(seconds.high));
  // One step per click, also while an arrow is held.
  UDACCEL oneStep{0, 1};
  SendMessageW(item(C::intervalSpin), UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&oneStep));
  for (auto box : {C::passwordText, C::confirmText}) SendMessageW(item(box), EM_SETPASSWORDCHAR, L'*', 0);
  // No more than a read of the settings file gives back.
  for (auto box : {C::captionText, C::passwordText, C::confirmText})
    SendMessageW(item(box), EM_SETLIMITTEXT, kMaxTextLength, 0);
}

void DialogWindow::mirror(Control c) {
  HWND h = item(c);
  if (!h) return;
  Counter guard(mirroring_);
  const ControlState& s = model_->control(c);
  switch (controlInfo(c).kind) {
    case ControlKind::ListBox:
      if (c == C::pictureList)
        mirrorPictureList(h, s);
      else
        mirrorFolderList(h, s);
      break;
    case ControlKind::ComboBox:
      if (SendMessageW(h, CB_GETCOUNT, 0, 0) != static_cast<LRESULT>(s.items.size())) {
        SendMessageW(h, CB_RESETCONTENT, 0, 0);
        for (const auto& text : s.items)
          SendMessageW(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(controlText(text).c_str()));
      }
      if (SendMessageW(h, CB_GETCURSEL, 0, 0) != s.value)
        SendMessageW(h, CB_SETCURSEL, static_cast<WPARAM>(s.value), 0);
      break;
    case ControlKind::TextBox:
      if (windowText(h) != s.text) setWindowText(h, s.text);
      break;
    case ControlKind::CheckBox:
    case ControlKind::OptionButton:
      SendMessageW(h, BM_SETCHECK, s.value == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    case ControlKind::Slider:
      SendMessageW(h, TBM_SETPOS, TRUE, s.value);
      break;
    case ControlKind::ScrollBar:
      SendMessageW(h, UDM_SETPOS32, 0, s.value);
      break;
    case ControlKind::Swatch:
    case ControlKind::Picture:
      InvalidateRect(h, nullptr, FALSE);
      break;
    case ControlKind::Button:
    case ControlKind::Label:
      break;
  }
  mirrorEnabling(c, h, s);
}

void DialogWindow::mirrorEnabling(Control c, HWND h, const ControlState& s) {
  if ((IsWindowEnabled(h) != FALSE) != s.enabled) EnableWindow(h, s.enabled ? TRUE : FALSE);
  auto& back = backShown_[static_cast<std::size_t>(c)];
  if (back != s.back) {
    back = s.back;
    InvalidateRect(h, nullptr, TRUE);
  }
}

void DialogWindow::mirrorPictureList(HWND list, const ControlState& s) {
  const auto& now = s.items;
  auto& shown = picturesShown_;
  if (shown != now) {
    // Only the part between the unchanged head and tail is replaced, so
    // adding or removing one entry is one message, not a refill.
    std::size_t head = 0;
    while (head < shown.size() && head < now.size() && shown[head] == now[head]) ++head;
    std::size_t tail = 0;
    while (tail < shown.size() - head && tail < now.size() - head &&
           shown[shown.size() - 1 - tail] == now[now.size() - 1 - tail])
      ++tail;
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    const std::size_t removed = shown.size() - head - tail;
    for (std::size_t k = removed; k > 0; --k) SendMessageW(list, LB_DELETESTRING, head, 0);
    // Room for a folder's thousands of entries at once, not one by one.
    const std::size_t inserted = now.size() - tail - head;
    if (inserted > 64) SendMessageW(list, LB_INITSTORAGE, inserted, inserted * 64 * sizeof(wchar_t));
    for (std::size_t k = head; k < now.size() - tail; ++k)
      SendMessageW(list, LB_INSERTSTRING, k, reinterpret_cast<LPARAM>(controlText(now[k]).c_str()));
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    // Long paths scroll sideways. Entries only added widen what was there;
    // after a removal every entry is measured again.
    if (removed == 0)
      setScrollWidth(list, widestEntry(list, now, head, now.size() - tail, scrollWidth(list)));
    else
      setScrollWidth(list, widestEntry(list, now, 0, now.size(), 0));
    shown = now;
  }
  selectEntry(list, s.value);
}

void DialogWindow::mirrorFolderList(HWND list, const ControlState& s) {
  if (foldersShown_ != s.items) {
    // A few entries: refilled whole.
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const auto& text : s.items)
      SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(controlText(text).c_str()));
    setScrollWidth(list, widestEntry(list, s.items, 0, s.items.size(), 0));
    foldersShown_ = s.items;
  }
  selectEntry(list, s.value);
}

INT_PTR DialogWindow::onControlColour(HDC dc, HWND control) {
  const auto found = std::find(items_.begin(), items_.end(), control);
  if (!control || found == items_.end()) return FALSE;
  const ControlState& s = model_->control(static_cast<Control>(found - items_.begin()));
  if (s.back == SysColor::None) return FALSE;  // the page's own (themed) colours
  const int index = static_cast<int>(s.back);
  SetBkColor(dc, GetSysColor(index));
  SetTextColor(dc, GetSysColor(s.enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
  return reinterpret_cast<INT_PTR>(GetSysColorBrush(index));
}

bool DialogWindow::onDrawItem(const DRAWITEMSTRUCT& d) {
  if (d.hwndItem == item(C::backColourSwatch) || d.hwndItem == item(C::fontColourSwatch)) {
    const Control c = d.hwndItem == item(C::backColourSwatch) ? C::backColourSwatch : C::fontColourSwatch;
    win32::UniqueBrush fill(CreateSolidBrush(win32::toColorRef(model_->control(c).colour)));
    FillRect(d.hDC, &d.rcItem, fill.get());
    FrameRect(d.hDC, &d.rcItem, GetSysColorBrush(COLOR_BTNSHADOW));
    return true;
  }
  if (d.hwndItem == item(C::thumbnailBox)) {
    FillRect(d.hDC, &d.rcItem, GetSysColorBrush(COLOR_WINDOW));
    const auto& thumbnail = model_->thumbnail();
    if (thumbnail && thumbnail->picture) {
      const int saved = SaveDC(d.hDC);
      IntersectClipRect(d.hDC, d.rcItem.left, d.rcItem.top, d.rcItem.right, d.rcItem.bottom);
      thumbnailPainter_.paint(d.hDC, thumbnail->picture, twipsToPixels(thumbnail->width, twipsPerPixel_),
                              twipsToPixels(thumbnail->height, twipsPerPixel_));
      RestoreDC(d.hDC, saved);
    } else {
      thumbnailPainter_.reset();
    }
    return true;
  }
  return false;
}

}  // namespace lumova::dialog
