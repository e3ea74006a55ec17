#include "dialog/form2_win32.h"

#include <commctrl.h>
#include <commdlg.h>
#include <uxtheme.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "common/gdi_win32.h"
#include "common/wic_loader_win32.h"
#include "dialog/form2_thumbnail_win32.h"
#include "dialog/form2_win32_ids.h"
#include "settings/file_store.h"
#include "settings/settings_store.h"

namespace lumova::dialog {
namespace {

using C = Control;

constexpr int kMainWindow = -1;
constexpr int kNoWindow = -2;

struct Binding {
  Control control;
  int page;  // 0..2, kMainWindow or kNoWindow
  int id;
  const wchar_t* toolTip;
};

constexpr Binding kBindings[] = {
    {C::List1, 0, IDC_LIST1, L"Loaded image(s)"},
    {C::photo_caption, kNoWindow, 0, nullptr},  // the captions live in the model only
    {C::Text3, 0, IDC_TEXT3, L"Image amount"},
    {C::add, 0, IDC_ADD, L"Load an image"},
    {C::remove, 0, IDC_REMOVE, L"Remove an image"},
    {C::RemoveAll, 0, IDC_REMOVEALL, L"Remove all images"},
    {C::p_caption, 0, IDC_P_CAPTION, L"Image caption"},
    {C::caption_clear, 0, IDC_CAPTION_CLEAR, L"Clear caption"},
    {C::font, 0, IDC_FONT, L"Font type, color and size"},
    {C::Picture2, 0, IDC_PICTURE2, L"Font color"},
    {C::photo1, 0, IDC_PHOTO1, L"Thumbnail preview"},
    {C::Combo1, 1, IDC_COMBO1, L"Background"},
    {C::backColorClick, 1, IDC_BACKCOLORCLICK, L"Background color"},
    {C::Picture1, 1, IDC_PICTURE1, L"Background color"},
    {C::pCenter, 1, IDC_PCENTER, nullptr},
    {C::pRandom, 1, IDC_PRANDOM, nullptr},
    {C::Slider1, 1, IDC_SLIDER1, L"Float speed of image"},
    {C::Label5_2, 1, IDC_LABEL5_2, nullptr},
    {C::aChange, 1, IDC_ACHANGE, nullptr},
    {C::nChange, 1, IDC_NCHANGE, nullptr},
    {C::Text2, 1, IDC_TEXT2, nullptr},
    {C::changeVScroll1, 1, IDC_CHANGEVSCROLL1, nullptr},
    {C::Label3_5, 1, IDC_LABEL3_5, nullptr},
    {C::Random_select, 1, IDC_RANDOM_SELECT, L"Display images in random order"},
    {C::TransitionsCbx, 1, IDC_TRANSITIONSCBX, L"Transitions"},
    {C::RndTranCheck, 1, IDC_RNDTRANCHECK, L"Display Transitions at Random"},
    {C::Password_enabled, 2, IDC_PASSWORD_ENABLED, nullptr},
    {C::SS_password, 2, IDC_SS_PASSWORD, nullptr},
    {C::SS_Confirm, 2, IDC_SS_CONFIRM, nullptr},
    {C::Ok, kMainWindow, IDOK, nullptr},
    {C::Cancel, kMainWindow, IDCANCEL, nullptr},
};
static_assert(std::size(kBindings) == kControlCount);

constexpr int kPageTemplates[kTabCount] = {IDD_FORM2_FILES, IDD_FORM2_DISPLAY, IDD_FORM2_PASSWORD};
constexpr const wchar_t* kTabLabels[kTabCount] = {L"Image Files", L"Background/Transitions", L"Password Protection"};

constexpr const wchar_t* kAppTitle = L"Lumova Screen Saver";
constexpr const wchar_t* kNotice = L"Press OK to save your settings";
constexpr const wchar_t* kVersion = L"Lumova version 2.2";
constexpr UINT_PTR kClockTimer = 1;

const Binding* bindingForId(int id) {
  for (const Binding& b : kBindings)
    if (b.page != kNoWindow && b.id == id) return &b;
  return nullptr;
}

std::wstring widen(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(std::max(n, 0)), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

// Control texts are bytes in the system ANSI code page, as the settings file
// holds them.
std::string textOf(HWND control) {
  const int length = GetWindowTextLengthA(control);
  std::string text(static_cast<std::size_t>(std::max(length, 0)) + 1, '\0');
  const int got = GetWindowTextA(control, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(got, 0)));
  return text;
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

int textWidth(HWND window, const std::wstring& text) {
  win32::WindowDc dc(window);
  if (!dc.get()) return 0;
  win32::SelectIn font(dc.get(), reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
  return size.cx;
}

std::wstring timeText(const SYSTEMTIME* at) {
  wchar_t buffer[64] = {};
  if (GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, at, nullptr, buffer, 64) <= 0) return {};
  return buffer;
}

// Milliseconds until the clock's minute changes, a little after it.
UINT untilNextMinute() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return static_cast<UINT>((60 - now.wSecond) * 1000 - now.wMilliseconds + 50);
}

int toPixels(int twips, int twipsPerPixel) { return MulDiv(twips, 1, twipsPerPixel); }

}  // namespace

MessageAnswer showMessageBox(HWND owner, const std::string& textUtf8, MessageKind kind) {
  // Without a visible owner (during start-up) the box still keeps the
  // thread's windows waiting.
  const UINT buttons = kind == MessageKind::YesNoExclamation ? MB_YESNO : MB_OK;
  const int answer = MessageBoxW(owner, widen(textUtf8).c_str(), kAppTitle,
                                 buttons | MB_ICONEXCLAMATION | (owner ? 0u : MB_TASKMODAL));
  return answer == IDYES ? MessageAnswer::Yes : answer == IDNO ? MessageAnswer::No : MessageAnswer::Ok;
}

Form2Window::Form2Window(HINSTANCE instance, settings::SettingsStore& store, PictureLoader& pictures,
                         MessageFunction messages)
    : instance_(instance),
      store_(store),
      pictures_(pictures),
      messages_(messages ? std::move(messages) : MessageFunction(showMessageBox)),
      model_(std::make_unique<Form2Model>(*this)) {
  backShown_.fill(SysColor::None);
  customColours_.fill(RGB(255, 255, 255));
}

Form2Window::~Form2Window() {
  if (hwnd_) DestroyWindow(hwnd_);
}

bool Form2Window::create() {
  {
    win32::WindowDc screen(nullptr);
    if (screen.get()) {
      twipsPerPixelX_ = std::max(1, 1440 / std::max(1, GetDeviceCaps(screen.get(), LOGPIXELSX)));
      dpiY_ = std::max(1, GetDeviceCaps(screen.get(), LOGPIXELSY));
      twipsPerPixelY_ = std::max(1, 1440 / dpiY_);
    }
  }
  CreateDialogParamW(instance_, MAKEINTRESOURCEW(IDD_FORM2), nullptr, mainProc, reinterpret_cast<LPARAM>(this));
  if (!hwnd_) return false;
  // The design-time state (combo items, colours), then start-up.
  for (std::size_t i = 0; i < kControlCount; ++i) mirror(static_cast<Control>(i));
  model_->Form_Load();
  return hwnd_ != nullptr;
}

void Form2Window::show() {
  if (!hwnd_) return;
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
}

bool Form2Window::translate(MSG& msg) {
  if (!hwnd_) return false;
  if (msg.message == WM_KEYDOWN && (msg.hwnd == hwnd_ || IsChild(hwnd_, msg.hwnd)) && GetKeyState(VK_CONTROL) < 0 &&
      (msg.wParam == VK_TAB || msg.wParam == VK_NEXT || msg.wParam == VK_PRIOR)) {
    const bool back = msg.wParam == VK_PRIOR || (msg.wParam == VK_TAB && GetKeyState(VK_SHIFT) < 0);
    selectTab((currentTab() + (back ? kTabCount - 1 : 1)) % kTabCount);
    return true;
  }
  return IsDialogMessageW(hwnd_, &msg) != FALSE;
}

int Form2Window::currentTab() const { return tab_ ? static_cast<int>(SendMessageW(tab_, TCM_GETCURSEL, 0, 0)) : -1; }

void Form2Window::selectTab(int index) {
  if (!tab_ || index < 0 || index >= kTabCount) return;
  SendMessageW(tab_, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
  showPage(index);
}

void Form2Window::showPage(int index) {
  for (int i = 0; i < kTabCount; ++i)
    if (i != index) ShowWindow(pages_[static_cast<std::size_t>(i)], SW_HIDE);
  ShowWindow(pages_[static_cast<std::size_t>(index)], SW_SHOWNA);
  // Focus left on a hidden page goes to the tab strip.
  HWND focus = GetFocus();
  if (focus && IsChild(hwnd_, focus) && !IsWindowVisible(focus))
    SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(tab_), TRUE);
}

HWND Form2Window::modalOwner() const { return hwnd_ && IsWindowVisible(hwnd_) ? hwnd_ : nullptr; }

void Form2Window::showMessage(const std::string& text) { messages_(modalOwner(), text, MessageKind::Exclamation); }

bool Form2Window::askYesNo(const std::string& text) {
  return messages_(modalOwner(), text, MessageKind::YesNoExclamation) == MessageAnswer::Yes;
}

std::optional<std::string> Form2Window::openFile(const OpenFileRequest& request) {
  const std::string filter = commonDialogFilter(request.filter);
  // Paths stay ANSI from the dialog to the settings file. Room for long
  // paths; the dialog refuses what does not fit.
  std::vector<char> file(32768, '\0');
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = modalOwner();
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = static_cast<DWORD>(std::max(request.filterIndex, 0));
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrTitle = request.title.c_str();
  ofn.Flags = request.flags | OFN_EXPLORER;
  if (!GetOpenFileNameA(&ofn)) return std::nullopt;
  return std::string(file.data());
}

std::optional<FontChoice> Form2Window::chooseFont(const FontRequest& request) {
  const FontChoice& initial = request.initial;
  LOGFONTA font{};
  // Character height from points at the screen's resolution; tenths keep a
  // fractional size such as 10.5.
  const long tenths = std::lround(std::clamp(initial.size, 0.0, 10000.0) * 10);
  font.lfHeight = -MulDiv(static_cast<int>(tenths), dpiY_, 720);
  font.lfWeight = initial.bold ? FW_BOLD : FW_NORMAL;
  font.lfItalic = initial.italic ? TRUE : FALSE;
  font.lfUnderline = initial.underline ? TRUE : FALSE;
  font.lfStrikeOut = initial.strikethru ? TRUE : FALSE;
  font.lfCharSet = DEFAULT_CHARSET;
  std::strncpy(font.lfFaceName, initial.name.c_str(), LF_FACESIZE - 1);

  CHOOSEFONTA cf{};
  cf.lStructSize = sizeof cf;
  cf.hwndOwner = modalOwner();
  cf.lpLogFont = &font;
  cf.iPointSize = static_cast<INT>(tenths);
  cf.Flags = request.flags | CF_INITTOLOGFONTSTRUCT;
  cf.rgbColors = initial.colour & 0xFFFFFFu;
  cf.nSizeMin = request.minSize;
  cf.nSizeMax = request.maxSize;
  if (!ChooseFontA(&cf)) return std::nullopt;

  FontChoice chosen;
  chosen.name = font.lfFaceName;
  chosen.size = cf.iPointSize > 0 ? cf.iPointSize / 10.0 : std::abs(static_cast<double>(font.lfHeight)) * 72.0 / dpiY_;
  chosen.bold = font.lfWeight >= FW_SEMIBOLD;
  chosen.italic = font.lfItalic != 0;
  chosen.underline = font.lfUnderline != 0;
  chosen.strikethru = font.lfStrikeOut != 0;
  chosen.colour = cf.rgbColors & 0xFFFFFFu;
  return chosen;
}

std::optional<std::uint32_t> Form2Window::chooseColour(const ColourRequest& request) {
  CHOOSECOLORA cc{};
  cc.lStructSize = sizeof cc;
  cc.hwndOwner = modalOwner();
  cc.rgbResult = request.initial & 0xFFFFFFu;
  cc.lpCustColors = customColours_.data();
  cc.Flags = request.flags;
  if (!ChooseColorA(&cc)) return std::nullopt;
  return static_cast<std::uint32_t>(cc.rgbResult & 0xFFFFFFu);
}

ScreenMetrics Form2Window::metrics() {
  ScreenMetrics m;
  m.twipsPerPixelX = twipsPerPixelX_;
  m.twipsPerPixelY = twipsPerPixelY_;
  m.screenWidth = GetSystemMetrics(SM_CXSCREEN) * twipsPerPixelX_;
  m.screenHeight = GetSystemMetrics(SM_CYSCREEN) * twipsPerPixelY_;
  RECT r{};
  if (hwnd_) GetWindowRect(hwnd_, &r);
  m.windowWidth = (r.right - r.left) * twipsPerPixelX_;
  m.windowHeight = (r.bottom - r.top) * twipsPerPixelY_;
  return m;
}

void Form2Window::moveWindow(int leftTwips, int topTwips) {
  if (!hwnd_) return;
  SetWindowPos(hwnd_, nullptr, toPixels(leftTwips, twipsPerPixelX_), toPixels(topTwips, twipsPerPixelY_), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form2Window::unload() {
  if (hwnd_) DestroyWindow(hwnd_);
}

INT_PTR CALLBACK Form2Window::mainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    auto* self = reinterpret_cast<Form2Window*>(lp);
    SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    self->hwnd_ = hwnd;
    return self->onInitDialog() ? TRUE : FALSE;
  }
  auto* self = reinterpret_cast<Form2Window*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (!self) return FALSE;
  return self->onMainMessage(msg, wp, lp);
}

INT_PTR CALLBACK Form2Window::pageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrW(hwnd, DWLP_USER, lp);
    // The page takes the tab control's themed background.
    EnableThemeDialogTexture(hwnd, ETDT_ENABLETAB);
    return FALSE;
  }
  auto* self = reinterpret_cast<Form2Window*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (!self) return FALSE;
  return self->onPageMessage(hwnd, msg, wp, lp);
}

bool Form2Window::onInitDialog() {
  tab_ = GetDlgItem(hwnd_, IDC_SSTAB1);
  for (int i = 0; i < kTabCount; ++i) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(kTabLabels[i]);
    SendMessageW(tab_, TCM_INSERTITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
  }

  // The pages fill the tab's display area and follow the tab control in the
  // tab order, ahead of OK and Cancel.
  RECT area{};
  GetWindowRect(tab_, &area);
  MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&area), 2);
  SendMessageW(tab_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  for (int i = kTabCount - 1; i >= 0; --i) {
    HWND page = CreateDialogParamW(instance_, MAKEINTRESOURCEW(kPageTemplates[i]), hwnd_, pageProc,
                                   reinterpret_cast<LPARAM>(this));
    pages_[static_cast<std::size_t>(i)] = page;
    SetWindowPos(page, tab_, area.left, area.top, area.right - area.left, area.bottom - area.top, SWP_NOACTIVATE);
  }

  for (const Binding& b : kBindings) {
    HWND parent = b.page == kMainWindow ? hwnd_ : b.page >= 0 ? pages_[static_cast<std::size_t>(b.page)] : nullptr;
    items_[static_cast<std::size_t>(b.control)] = parent ? GetDlgItem(parent, b.id) : nullptr;
  }

  // photo1's drawing area is the thumbnail box's size in twips.
  if (HWND photo = item(C::photo1)) {
    RECT r{0, 0, toPixels(kThumbnailWidth, twipsPerPixelX_), toPixels(kThumbnailHeight, twipsPerPixelY_)};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(photo, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(photo, GWL_EXSTYLE)));
    SetWindowPos(photo, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  SendMessageW(item(C::Slider1), TBM_SETRANGE, FALSE,
               MAKELPARAM(controlInfo(C::Slider1).min, controlInfo(C::Slider1).max));
  SendMessageW(item(C::Slider1), TBM_SETPAGESIZE, 0, 1);
  // Up raises: the maximum is the top end.
  SendMessageW(item(C::changeVScroll1), UDM_SETRANGE32, static_cast<WPARAM>(controlInfo(C::changeVScroll1).min),
               static_cast<LPARAM>(controlInfo(C::changeVScroll1).max));
  for (auto box : {C::SS_password, C::SS_Confirm}) SendMessageW(item(box), EM_SETPASSWORDCHAR, L'*', 0);

  createStatusBar();
  createToolTips();
  showPage(0);
  return true;
}

void Form2Window::createStatusBar() {
  status_ = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, hwnd_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUSBAR)), instance_, nullptr);
  if (!status_) return;
  SendMessageW(status_, WM_SETFONT, SendMessageW(hwnd_, WM_GETFONT, 0, 0), FALSE);
  SendMessageW(status_, WM_SIZE, 0, 0);

  // The window grows by the bar's height, below the buttons.
  RECT bar{}, window{}, client{};
  GetWindowRect(status_, &bar);
  GetWindowRect(hwnd_, &window);
  SetWindowPos(hwnd_, nullptr, 0, 0, window.right - window.left, window.bottom - window.top + (bar.bottom - bar.top),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(status_, WM_SIZE, 0, 0);

  // Room for the version and for the longest time of day.
  GetClientRect(hwnd_, &client);
  const int padding = 16;
  SYSTEMTIME late{}, noon{};
  late.wHour = 23, late.wMinute = 58;
  noon.wHour = 12, noon.wMinute = 58;
  const int clockWidth = std::max(textWidth(status_, timeText(&late)), textWidth(status_, timeText(&noon))) + padding;
  const int versionWidth = textWidth(status_, kVersion) + padding;
  int edges[3] = {client.right - versionWidth - clockWidth, client.right - clockWidth, -1};
  SendMessageW(status_, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
  SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(kNotice));
  SendMessageW(status_, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(kVersion));
  updateClock();
}

void Form2Window::updateClock() {
  std::wstring now = timeText(nullptr);
  if (status_ && now != clockShown_) {
    clockShown_ = std::move(now);
    SendMessageW(status_, SB_SETTEXTW, 2, reinterpret_cast<LPARAM>(clockShown_.c_str()));
  }
  SetTimer(hwnd_, kClockTimer, untilNextMinute(), nullptr);
}

void Form2Window::createToolTips() {
  tips_ =
      CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, instance_, nullptr);
  if (!tips_) return;
  for (const Binding& b : kBindings) {
    HWND control = item(b.control);
    if (!b.toolTip || !control) continue;
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = GetParent(control);
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<wchar_t*>(b.toolTip);
    SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

INT_PTR Form2Window::onMainMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      return onCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
    case WM_CLOSE:
      // Closing by the frame leaves the file alone, as Cancel does.
      model_->Cancel_Click();
      return TRUE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lp);
      if (header->hwndFrom == tab_ && header->code == TCN_SELCHANGE) showPage(currentTab());
      return FALSE;
    }
    case WM_TIMER:
      if (wp == kClockTimer) updateClock();
      return TRUE;
    case WM_DESTROY:
      KillTimer(hwnd_, kClockTimer);
      hwnd_ = nullptr;
      tab_ = status_ = tips_ = nullptr;
      pages_.fill(nullptr);
      items_.fill(nullptr);
      return FALSE;
  }
  return FALSE;
}

INT_PTR Form2Window::onPageMessage(HWND page, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      return onCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
    case WM_HSCROLL:
      if (reinterpret_cast<HWND>(lp) == item(C::Slider1) && !mirroring_) {
        model_->setValue(C::Slider1, static_cast<int>(SendMessageW(item(C::Slider1), TBM_GETPOS, 0, 0)));
        return TRUE;
      }
      return FALSE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lp);
      if (header->hwndFrom == item(C::changeVScroll1) && header->code == UDN_DELTAPOS) {
        // The model moves the spin control itself, through the mirror; the
        // control's own step is refused so that the two never disagree.
        const auto* change = reinterpret_cast<const NMUPDOWN*>(lp);
        const ControlInfo& info = controlInfo(C::changeVScroll1);
        const long long next = static_cast<long long>(change->iPos) + change->iDelta;
        model_->setValue(C::changeVScroll1, static_cast<int>(std::clamp<long long>(next, info.min, info.max)));
        SetWindowLongPtrW(page, DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      return FALSE;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
      return onControlColour(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
    case WM_DRAWITEM:
      return onDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp)) ? TRUE : FALSE;
  }
  return FALSE;
}

INT_PTR Form2Window::onCommand(int id, int code, HWND control) {
  const Binding* b = bindingForId(id);
  if (!b) return FALSE;
  if (mirroring_) return TRUE;
  const Control c = b->control;
  switch (controlInfo(c).kind) {
    case ControlKind::Button:
      if (code == BN_CLICKED) model_->click(c);
      return TRUE;
    case ControlKind::CheckBox:
      if (code == BN_CLICKED) model_->setValue(c, SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0);
      return TRUE;
    case ControlKind::OptionButton:
      if (code == BN_CLICKED && SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED) model_->setValue(c, 1);
      return TRUE;
    case ControlKind::TextBox:
      if (code == EN_CHANGE) model_->setText(c, textOf(control));
      return TRUE;
    case ControlKind::ListBox:
      if (code == LBN_SELCHANGE) model_->setListIndex(c, static_cast<int>(SendMessageW(control, LB_GETCURSEL, 0, 0)));
      return TRUE;
    case ControlKind::ComboBox:
      if (code == CBN_SELCHANGE) model_->setListIndex(c, static_cast<int>(SendMessageW(control, CB_GETCURSEL, 0, 0)));
      return TRUE;
    default:
      return FALSE;
  }
}

INT_PTR Form2Window::onControlColour(HDC dc, HWND control) {
  for (std::size_t i = 0; i < kControlCount; ++i) {
    if (items_[i] != control) continue;
    const ControlState& s = model_->control(static_cast<Control>(i));
    if (s.back == SysColor::None) return FALSE;  // the page's own (themed) colours
    const int index = static_cast<int>(s.back);
    SetBkColor(dc, GetSysColor(index));
    SetTextColor(dc, GetSysColor(s.enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
    return reinterpret_cast<INT_PTR>(GetSysColorBrush(index));
  }
  return FALSE;
}

bool Form2Window::onDrawItem(const DRAWITEMSTRUCT& d) {
  if (d.hwndItem == item(C::Picture1) || d.hwndItem == item(C::Picture2)) {
    const Control c = d.hwndItem == item(C::Picture1) ? C::Picture1 : C::Picture2;
    win32::UniqueBrush fill(CreateSolidBrush(static_cast<COLORREF>(model_->control(c).colour & 0xFFFFFFu)));
    FillRect(d.hDC, &d.rcItem, fill.get());
    FrameRect(d.hDC, &d.rcItem, GetSysColorBrush(COLOR_BTNSHADOW));
    return true;
  }
  if (d.hwndItem == item(C::photo1)) {
    FillRect(d.hDC, &d.rcItem, GetSysColorBrush(COLOR_WINDOW));
    const auto& thumbnail = model_->thumbnail();
    if (thumbnail && thumbnail->picture) {
      const int saved = SaveDC(d.hDC);
      IntersectClipRect(d.hDC, d.rcItem.left, d.rcItem.top, d.rcItem.right, d.rcItem.bottom);
      thumbnailPainter_.paint(d.hDC, thumbnail->picture, toPixels(thumbnail->width, twipsPerPixelX_),
                              toPixels(thumbnail->height, twipsPerPixelY_));
      RestoreDC(d.hDC, saved);
    } else {
      thumbnailPainter_.reset();
    }
    return true;
  }
  return false;
}

void Form2Window::mirror(Control c) {
  HWND h = item(c);
  if (!h) return;
  Counter guard(mirroring_);
  const ControlState& s = model_->control(c);
  switch (controlInfo(c).kind) {
    case ControlKind::ListBox:
      mirrorList(h);
      break;
    case ControlKind::ComboBox:
      if (SendMessageW(h, CB_GETCOUNT, 0, 0) != static_cast<LRESULT>(s.items.size())) {
        SendMessageW(h, CB_RESETCONTENT, 0, 0);
        for (const auto& text : s.items) SendMessageA(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
      }
      if (SendMessageW(h, CB_GETCURSEL, 0, 0) != s.value)
        SendMessageW(h, CB_SETCURSEL, static_cast<WPARAM>(s.value), 0);
      break;
    case ControlKind::TextBox:
      if (textOf(h) != s.text) SetWindowTextA(h, s.text.c_str());
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
  if ((IsWindowEnabled(h) != FALSE) != s.enabled) EnableWindow(h, s.enabled ? TRUE : FALSE);
  auto& back = backShown_[static_cast<std::size_t>(c)];
  if (back != s.back) {
    back = s.back;
    InvalidateRect(h, nullptr, TRUE);
  }
}

void Form2Window::mirrorList(HWND list) {
  const ControlState& s = model_->control(C::List1);
  const auto& now = s.items;
  auto& shown = listShown_;
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
    for (std::size_t k = shown.size() - head - tail; k > 0; --k) SendMessageW(list, LB_DELETESTRING, head, 0);
    for (std::size_t k = head; k < now.size() - tail; ++k)
      SendMessageA(list, LB_INSERTSTRING, k, reinterpret_cast<LPARAM>(now[k].c_str()));
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    shown = now;

    // Long paths scroll sideways.
    win32::WindowDc dc(list);
    int widest = 0;
    if (dc.get()) {
      win32::SelectIn font(dc.get(), reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
      for (const auto& text : now) {
        SIZE size{};
        GetTextExtentPoint32A(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
        widest = std::max(widest, static_cast<int>(size.cx));
      }
    }
    SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + 8), 0);
  }
  if (SendMessageW(list, LB_GETCURSEL, 0, 0) != s.value)
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(s.value), 0);
}

int runSettingsDialog(HINSTANCE instance, const std::string& exeFolderUtf8, PictureLoader& pictures) {
  INITCOMMONCONTROLSEX controls{
      sizeof controls, ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);

  std::unique_ptr<settings::FileStore> files = settings::makeSystemFileStore();
  settings::SettingsStore store(*files, settings::settingsPath(exeFolderUtf8));
  Form2Window window(instance, store, pictures);
  if (!window.create()) return 1;
  window.show();

  // The run ends when the dialog is unloaded: it is the only window.
  MSG msg;
  while (window.isOpen()) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    if (!window.translate(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return 0;
}

int runSettingsDialog(HINSTANCE instance, const std::string& exeFolderUtf8) {
  win32::WicPictureLoader pictures;
  return runSettingsDialog(instance, exeFolderUtf8, pictures);
}

}  // namespace lumova::dialog
