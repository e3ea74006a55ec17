#include "password/password_form_win32.h"

#include <cmath>

namespace lumova::password {
namespace {

constexpr char kFrameClass[] = "LumovaPasswordForm";

// The window's inner area and its controls, in twips. Labels without a
// width are as wide as their text.
constexpr int kInnerWidth = 3120;
constexpr int kInnerHeight = 2520;

struct Layout {
  Control control;
  const char* windowClass;
  const char* text;
  int left, top, width, height;  // width 0: fit the text
  DWORD style;
  DWORD exStyle;
};

constexpr Layout kLayout[] = {
    {Control::lblMessage, "STATIC", "Message Board", 120, 120, 0, 0, SS_LEFT | SS_NOPREFIX, 0},
    {Control::Label1, "STATIC", "('Enter' to hide)", 1920, 120, 0, 0, SS_LEFT | SS_NOPREFIX, 0},
    {Control::txtNotes, "EDIT", " \r\n", 120, 360, 2895, 1335,
     ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_TABSTOP, WS_EX_CLIENTEDGE},
    {Control::lblPassword, "STATIC", "Password", 140, 1830, 0, 0, SS_LEFT | SS_NOPREFIX, 0},
    {Control::txtPassword, "EDIT", "", 960, 1800, 2055, 285, ES_AUTOHSCROLL | ES_PASSWORD | WS_TABSTOP,
     WS_EX_CLIENTEDGE},
    {Control::wrongPass, "STATIC", kNoticeText, 210, 2160, 0, 0, SS_LEFT | SS_NOPREFIX, 0},
};

constexpr COLORREF kHintColour = RGB(0, 0, 192);    // colour value 12582912
constexpr COLORREF kNoticeColour = RGB(255, 0, 0);  // colour value 255

// Font height for a point size: 20 twips to the point.
LONG fontHeight(double points, double twipsPerPixel) {
  return -static_cast<LONG>(std::lround(points * 20.0 / twipsPerPixel));
}

HFONT makeFont(const char* face, double points, bool bold, double twipsPerPixel) {
  LOGFONTA lf{};
  lf.lfHeight = fontHeight(points, twipsPerPixel);
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lstrcpynA(lf.lfFaceName, face, LF_FACESIZE);
  return CreateFontIndirectA(&lf);
}

void registerFrameClass(HINSTANCE instance, WNDPROC proc) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kFrameClass;
  RegisterClassExA(&wc);
}

}  // namespace

PasswordWindow::PasswordWindow(HINSTANCE instance, double twipsPerPixelX, double twipsPerPixelY, PasswordKeys keys)
    : instance_(instance),
      tppX_(twipsPerPixelX > 0 ? twipsPerPixelX : 15),
      tppY_(twipsPerPixelY > 0 ? twipsPerPixelY : 15),
      keys_(std::move(keys)) {}

PasswordWindow::~PasswordWindow() {
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

int PasswordWindow::px(double twips, double twipsPerPixel) const {
  return static_cast<int>(std::lround(twips / twipsPerPixel));
}

void PasswordWindow::load() {
  if (hwnd_) return;
  registerFrameClass(instance_, &PasswordWindow::frameProc);

  // A fixed frame: caption and close box, no sizing border, no minimise
  // or maximise.
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  const DWORD exStyle = WS_EX_TOPMOST | WS_EX_DLGMODALFRAME;
  RECT frame{0, 0, px(kInnerWidth, tppX_), px(kInnerHeight, tppY_)};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  const int w = frame.right - frame.left, h = frame.bottom - frame.top;

  // Centred on the primary monitor's work area.
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  const int x = work.left + (work.right - work.left - w) / 2;
  const int y = work.top + (work.bottom - work.top - h) / 2;

  hwnd_ = CreateWindowExA(exStyle, kFrameClass, kTitle, style, x, y, w, h, nullptr, nullptr, instance_, this);
  if (!hwnd_) return;
  createControls();
}

void PasswordWindow::createControls() {
  font_.reset(makeFont("MS Sans Serif", 8, false, tppY_));
  noticeFont_.reset(makeFont("MS Sans Serif", 12, true, tppY_));

  win32::WindowDc dc(hwnd_);
  for (const Layout& l : kLayout) {
    HFONT font = l.control == Control::wrongPass ? noticeFont_.get() : font_.get();
    int width = px(l.width, tppX_), height = px(l.height, tppY_);
    if (l.width == 0) {
      // A label as large as its text.
      win32::SelectIn select(dc.get(), font);
      SIZE extent{0, 0};
      GetTextExtentPoint32A(dc.get(), l.text, lstrlenA(l.text), &extent);
      TEXTMETRICA tm{};
      GetTextMetricsA(dc.get(), &tm);
      width = extent.cx;
      height = tm.tmHeight;
    }
    DWORD visible = l.control == Control::wrongPass ? 0 : WS_VISIBLE;  // the notice starts hidden
    HWND c = CreateWindowExA(l.exStyle, l.windowClass, l.text, WS_CHILD | visible | l.style, px(l.left, tppX_),
                             px(l.top, tppY_), width, height, hwnd_, nullptr, instance_, nullptr);
    SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    controls_[static_cast<int>(l.control)] = c;
  }

  HWND password = control(Control::txtPassword);
  SendMessageA(password, EM_SETPASSWORDCHAR, '*', 0);
  for (HWND edit : {password, control(Control::txtNotes)}) {
    // The original procedure is kept on the edit itself; ANSI throughout,
    // so characters arrive as the message loop translated them.
    SetPropA(edit, "LumovaEditProc", reinterpret_cast<HANDLE>(GetWindowLongPtrA(edit, GWLP_WNDPROC)));
    SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PasswordWindow::editProc));
  }
  focus_ = password;
}

void PasswordWindow::setVisible(bool visible) {
  if (!hwnd_) return;
  if (!visible) {
    ShowWindow(hwnd_, SW_HIDE);
    return;
  }
  // In front of the saver, active, with the password box focused.
  focus_ = control(Control::txtPassword);
  SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  SetForegroundWindow(hwnd_);
  SetFocus(focus_);
}

std::string PasswordWindow::passwordText() const {
  HWND box = control(Control::txtPassword);
  if (!box) return {};
  int n = GetWindowTextLengthA(box);
  std::string text(static_cast<std::size_t>(n > 0 ? n : 0) + 1, '\0');
  int got = GetWindowTextA(box, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return text;
}

void PasswordWindow::setPasswordText(const std::string& text) {
  if (HWND box = control(Control::txtPassword)) SetWindowTextA(box, text.c_str());
}

void PasswordWindow::setNoticeVisible(bool visible) {
  if (HWND notice = control(Control::wrongPass)) ShowWindow(notice, visible ? SW_SHOWNA : SW_HIDE);
}

LRESULT CALLBACK PasswordWindow::frameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<PasswordWindow*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<PasswordWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  return self ? self->onFrame(hwnd, msg, wp, lp) : DefWindowProcA(hwnd, msg, wp, lp);
}

LRESULT PasswordWindow::onFrame(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wp);
      HWND label = reinterpret_cast<HWND>(lp);
      COLORREF text = GetSysColor(COLOR_BTNTEXT);
      if (label == control(Control::Label1)) text = kHintColour;
      if (label == control(Control::wrongPass)) text = kNoticeColour;
      SetTextColor(dc, text);
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_ACTIVATE:
      // No dialog manager: give the focus back to the box that had it.
      if (LOWORD(wp) != WA_INACTIVE && focus_) {
        SetFocus(focus_);
        return 0;
      }
      break;
    case WM_CLOSE:
      // Never destroyed: closing only puts the prompt away, as Enter does.
      if (keys_.onClose) keys_.onClose();
      return 0;
    case WM_DESTROY:
      hwnd_ = nullptr;
      for (HWND& c : controls_) c = nullptr;
      break;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

LRESULT CALLBACK PasswordWindow::editProc(HWND edit, UINT msg, WPARAM wp, LPARAM lp) {
  auto original = reinterpret_cast<WNDPROC>(GetPropA(edit, "LumovaEditProc"));
  auto* self = reinterpret_cast<PasswordWindow*>(GetWindowLongPtrA(GetParent(edit), GWLP_USERDATA));
  if (msg == WM_NCDESTROY) {
    RemovePropA(edit, "LumovaEditProc");
    SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    return original ? CallWindowProcA(original, edit, msg, wp, lp) : 0;
  }
  if (self && self->onEdit(edit, msg, wp)) return 0;
  return original ? CallWindowProcA(original, edit, msg, wp, lp) : DefWindowProcA(edit, msg, wp, lp);
}

bool PasswordWindow::onEdit(HWND edit, UINT msg, WPARAM wp) {
  const HWND password = control(Control::txtPassword);
  const HWND notes = control(Control::txtNotes);
  switch (msg) {
    case WM_KEYDOWN:
      if (wp == VK_TAB) {
        // Two boxes in the tab order: Tab and Shift+Tab both go to the other.
        SetFocus(edit == password ? notes : password);
        return true;
      }
      break;
    case WM_CHAR: {
      if (wp == '\t') return true;
      const int keyAscii = static_cast<unsigned char>(wp);
      const bool isPassword = edit == password;
      const auto& handler = isPassword ? keys_.onPasswordChar : keys_.onNotesChar;
      if (handler) handler(keyAscii);
      if (!IsWindow(edit)) return true;
      // A single-line box takes no Enter; handing it on would only beep.
      if (isPassword && wp == '\r') return true;
      break;
    }
    case WM_SETFOCUS:
      focus_ = edit;
      break;
  }
  return false;
}

}  // namespace lumova::password
