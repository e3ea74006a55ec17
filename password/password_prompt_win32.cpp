#include "password/password_prompt_win32.h"

#include "common/text_win32.h"
#include "common/units.h"

namespace lumova::password {
namespace {

constexpr wchar_t kFrameClass[] = L"LumovaPasswordPrompt";
constexpr wchar_t kEditProcProperty[] = L"LumovaEditProc";
// The saver password is UTF-8, as the program keeps all its text.
constexpr UINT kTextCodePage = CP_UTF8;

// The window's inner area and its controls, in twips. Labels without a
// width are as wide as their text.
constexpr int kInnerWidth = 3120;
constexpr int kInnerHeight = 2520;

struct Layout {
  Control control;
  const wchar_t* windowClass;
  const char* text;
  int left, top, width, height;  // width 0: fit the text
  DWORD style;
  DWORD exStyle;
};

constexpr Layout kLayout[] = {
    {Control::boardLabel, L"STATIC", "Message Board", 120, 120, 0, 0, SS_LEFT | SS_NOPREFIX, 0},
    {Control::hideHint, L"STATIC", "('Enter' to hide)", 1920, 120, 0, 0, SS_LEFT | SS_NOPREFIX, 0},
    {Control::notesBox, L"EDIT", " \r\n", 120, 360, 2895, 1335,
     ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_TABSTOP, WS_EX_CLIENTEDGE},
    {Control::passwordLabel, L"STATIC", "Password", 140, 1830, 0, 0, SS_LEFT | SS_NOPREFIX, 0},
    {Control::passwordBox, L"EDIT", "", 960, 1800, 2055, 285, ES_AUTOHSCROLL | ES_PASSWORD | WS_TABSTOP,
     WS_EX_CLIENTEDGE},
    {Control::wrongPasswordNotice, L"STATIC", kNoticeText, 210, 2160, 0, 0, SS_LEFT | SS_NOPREFIX, 0},
};

constexpr COLORREF kHintColour = RGB(0, 0, 192);    // colour value 12582912
constexpr COLORREF kNoticeColour = RGB(255, 0, 0);  // colour value 255

HFONT makeFont(const wchar_t* face, double points, bool bold, double twipsPerPixel) {
  LOGFONTW lf{};
  lf.lfHeight = fontHeightPixels(points, twipsPerPixel);
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
  return CreateFontIndirectW(&lf);
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

void PasswordWindow::load() {
  if (hwnd_) return;
  win32::registerWindowClass(instance_, kFrameClass, &win32::windowProc<PasswordWindow, &PasswordWindow::onFrame>,
                             reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));

  // A fixed frame: caption and close box, no sizing border, no minimise
  // or maximise.
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  const DWORD exStyle = WS_EX_TOPMOST | WS_EX_DLGMODALFRAME;
  RECT frame{0, 0, twipsToPixels(kInnerWidth, tppX_), twipsToPixels(kInnerHeight, tppY_)};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  const int w = frame.right - frame.left, h = frame.bottom - frame.top;

  // Centred on the primary monitor's work area.
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int x = work.left + (work.right - work.left - w) / 2;
  const int y = work.top + (work.bottom - work.top - h) / 2;

  hwnd_ = CreateWindowExW(exStyle, kFrameClass, win32::toWide(kTitle).c_str(), style, x, y, w, h, nullptr, nullptr,
                          instance_, this);
  if (!hwnd_) return;
  createControls();
}

void PasswordWindow::createControls() {
  font_.reset(makeFont(L"MS Sans Serif", 8, false, tppY_));
  noticeFont_.reset(makeFont(L"MS Sans Serif", 12, true, tppY_));

  win32::WindowDc dc(hwnd_);
  for (const Layout& l : kLayout) {
    const std::wstring text = win32::toWide(l.text);
    HFONT font = l.control == Control::wrongPasswordNotice ? noticeFont_.get() : font_.get();
    int width = twipsToPixels(l.width, tppX_), height = twipsToPixels(l.height, tppY_);
    if (l.width == 0) {
      // A label as large as its text.
      win32::SelectIn select(dc.get(), font);
      SIZE extent{0, 0};
      GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent);
      TEXTMETRICW tm{};
      GetTextMetricsW(dc.get(), &tm);
      width = extent.cx;
      height = tm.tmHeight;
    }
    DWORD visible = l.control == Control::wrongPasswordNotice ? 0 : WS_VISIBLE;  // the notice starts hidden
    HWND c = CreateWindowExW(l.exStyle, l.windowClass, text.c_str(), WS_CHILD | visible | l.style,
                             twipsToPixels(l.left, tppX_), twipsToPixels(l.top, tppY_), width, height, hwnd_, nullptr,
                             instance_, nullptr);
    SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    controls_[static_cast<int>(l.control)] = c;
  }

  HWND password = control(Control::passwordBox);
  SendMessageW(password, EM_SETPASSWORDCHAR, L'*', 0);
  for (HWND edit : {password, control(Control::notesBox)}) {
    // The original procedure is kept on the edit itself.
    SetPropW(edit, kEditProcProperty, reinterpret_cast<HANDLE>(GetWindowLongPtrW(edit, GWLP_WNDPROC)));
    SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PasswordWindow::editProc));
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
  focus_ = control(Control::passwordBox);
  SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  SetForegroundWindow(hwnd_);
  SetFocus(focus_);
}

std::string PasswordWindow::passwordText() const {
  HWND box = control(Control::passwordBox);
  if (!box) return {};
  const int n = GetWindowTextLengthW(box);
  std::wstring text(static_cast<std::size_t>(n > 0 ? n : 0) + 1, L'\0');
  const int got = GetWindowTextW(box, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return win32::fromWide(text, kTextCodePage);
}

void PasswordWindow::setPasswordText(const std::string& text) {
  if (HWND box = control(Control::passwordBox)) SetWindowTextW(box, win32::toWide(text, kTextCodePage).c_str());
}

void PasswordWindow::setNoticeVisible(bool visible) {
  if (HWND notice = control(Control::wrongPasswordNotice)) ShowWindow(notice, visible ? SW_SHOWNA : SW_HIDE);
}

void PasswordWindow::onUnexpectedError() {
  // Nothing here may leave the saver disabled: back to it.
  if (keys_.onClose) keys_.onClose();
}

LRESULT PasswordWindow::onFrame(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wp);
      HWND label = reinterpret_cast<HWND>(lp);
      COLORREF text = GetSysColor(COLOR_BTNTEXT);
      if (label == control(Control::hideHint)) text = kHintColour;
      if (label == control(Control::wrongPasswordNotice)) text = kNoticeColour;
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
  return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK PasswordWindow::editProc(HWND edit, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  auto original = reinterpret_cast<WNDPROC>(GetPropW(edit, kEditProcProperty));
  auto* self = reinterpret_cast<PasswordWindow*>(GetWindowLongPtrW(GetParent(edit), GWLP_USERDATA));
  if (msg == WM_NCDESTROY) {
    RemovePropW(edit, kEditProcProperty);
    SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    return original ? CallWindowProcW(original, edit, msg, wp, lp) : 0;
  }
  try {
    if (self && self->onEdit(edit, msg, wp)) return 0;
  } catch (...) {
    self->onUnexpectedError();
    return 0;
  }
  return original ? CallWindowProcW(original, edit, msg, wp, lp) : DefWindowProcW(edit, msg, wp, lp);
}

bool PasswordWindow::onEdit(HWND edit, UINT msg, WPARAM wp) {
  const HWND password = control(Control::passwordBox);
  const HWND notes = control(Control::notesBox);
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
      const int key = static_cast<int>(wp);
      const bool isPassword = edit == password;
      const auto& handler = isPassword ? keys_.onPasswordChar : keys_.onNotesChar;
      if (handler) handler(key);
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
