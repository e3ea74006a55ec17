// Making, placing and closing the dialog, and its two procedures, which hand
// each message to the part of the window that deals with it.
#include "dialog/form2_win32.h"

#include <uxtheme.h>

#include <cmath>
#include <utility>

#include "common/display_win32.h"
#include "common/message_box_win32.h"
#include "common/units.h"
#include "dialog/form2_win32_ids.h"
#include "picture/picture_formats.h"
#include "picture/picture_formats_win32.h"

namespace lumova::dialog {
namespace {

using C = Control;

constexpr int kMainWindow = -1;
constexpr int kNoWindow = -2;

// Where each control's window is: its page (0..2, kMainWindow or kNoWindow)
// and its identifier there.
struct Binding {
  Control control;
  int page;
  int id;
};

constexpr Binding kBindings[] = {
    {C::List1, 0, IDC_LIST1},
    {C::photo_caption, kNoWindow, 0},  // the captions live in the model only
    {C::Text3, 0, IDC_TEXT3},
    {C::add, 0, IDC_ADD},
    {C::addFolder, 0, IDC_ADDFOLDER},
    {C::Folders, 0, IDC_FOLDERS},
    {C::removeFolder, 0, IDC_REMOVEFOLDER},
    {C::remove, 0, IDC_REMOVE},
    {C::RemoveAll, 0, IDC_REMOVEALL},
    {C::p_caption, 0, IDC_P_CAPTION},
    {C::caption_clear, 0, IDC_CAPTION_CLEAR},
    {C::font, 0, IDC_FONT},
    {C::Picture2, 0, IDC_PICTURE2},
    {C::photo1, 0, IDC_PHOTO1},
    {C::Combo1, 1, IDC_COMBO1},
    {C::backColorClick, 1, IDC_BACKCOLORCLICK},
    {C::Picture1, 1, IDC_PICTURE1},
    {C::pCenter, 1, IDC_PCENTER},
    {C::pRandom, 1, IDC_PRANDOM},
    {C::pZoom, 1, IDC_PZOOM},
    {C::Slider1, 1, IDC_SLIDER1},
    {C::Label5_2, 1, IDC_LABEL5_2},
    {C::aChange, 1, IDC_ACHANGE},
    {C::nChange, 1, IDC_NCHANGE},
    {C::Text2, 1, IDC_TEXT2},
    {C::changeVScroll1, 1, IDC_CHANGEVSCROLL1},
    {C::Label3_5, 1, IDC_LABEL3_5},
    {C::Random_select, 1, IDC_RANDOM_SELECT},
    {C::TransitionsCbx, 1, IDC_TRANSITIONSCBX},
    {C::RndTranCheck, 1, IDC_RNDTRANCHECK},
    {C::PicFitCheck, 1, IDC_PICFITCHECK},
    {C::AllMonitorsCheck, 1, IDC_ALLMONITORSCHECK},
    {C::Password_enabled, 2, IDC_PASSWORD_ENABLED},
    {C::SS_password, 2, IDC_SS_PASSWORD},
    {C::SS_Confirm, 2, IDC_SS_CONFIRM},
    {C::Ok, kMainWindow, IDOK},
    {C::Cancel, kMainWindow, IDCANCEL},
    {C::ShuffleCheck, 1, IDC_SHUFFLECHECK},
    {C::AutoCaptionCbx, 0, IDC_AUTOCAPTIONCBX},
};
static_assert(std::size(kBindings) == kControlCount);

MessageFunction systemMessageBoxes() {
  return [](HWND owner, const std::string& text, MessageKind kind) { return win32::showMessageBox(owner, text, kind); };
}

}  // namespace

Form2Window::Form2Window(HINSTANCE instance, settings::SettingsStore& store, PictureLoader& pictures,
                         MessageFunction messages)
    : instance_(instance),
      store_(store),
      pictures_(pictures),
      messages_(messages ? std::move(messages) : systemMessageBoxes()),
      model_(std::make_unique<Form2Model>(*this)) {
  backShown_.fill(SysColor::None);
  customColours_.fill(RGB(255, 255, 255));
}

Form2Window::~Form2Window() {
  if (hwnd_) DestroyWindow(hwnd_);
}

bool Form2Window::create() {
  CreateDialogParamW(instance_, MAKEINTRESOURCEW(IDD_FORM2), nullptr,
                     &win32::dialogProc<Form2Window, &Form2Window::onMainMessage>, reinterpret_cast<LPARAM>(this));
  if (!hwnd_) return false;
  // Every control as the model starts it (combo items, colours), then start-up.
  for (std::size_t i = 0; i < kControlCount; ++i) mirror(static_cast<Control>(i));
  model_->Form_Load();
  return hwnd_ != nullptr;
}

void Form2Window::show() {
  if (!hwnd_) return;
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
}

bool Form2Window::onInitDialog() {
  twipsPerPixel_ = twipsPerPixel(win32::monitorDpi(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY)));
  createPages();
  findItems();
  prepareControls();
  createStatusBar();
  createToolTips();
  showPage(0);
  return true;
}

void Form2Window::findItems() {
  for (const Binding& b : kBindings) {
    HWND parent = b.page == kMainWindow ? hwnd_ : b.page >= 0 ? pages_[static_cast<std::size_t>(b.page)] : nullptr;
    items_[static_cast<std::size_t>(b.control)] = parent ? GetDlgItem(parent, b.id) : nullptr;
  }
}

INT_PTR Form2Window::onMainMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG:
      hwnd_ = hwnd;
      return onInitDialog() ? TRUE : FALSE;
    case WM_COMMAND:
      return onCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
    case WM_CLOSE:
      // Closing by the frame leaves the file alone, as Cancel does.
      model_->Cancel_Click();
      return TRUE;
    case WM_QUERYENDSESSION:
      SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case WM_ENDSESSION:
      // A closing session is a Cancel: nothing is written on the way out.
      if (wp) model_->Cancel_Click();
      return TRUE;
    case WM_NOTIFY:
      return onTabNotify(*reinterpret_cast<const NMHDR*>(lp));
    case WM_TIMER:
      if (wp == kClockTimer) updateClock();
      return TRUE;
    case kCountedMessage:
      takeCounts();
      return TRUE;
    case WM_DESTROY:
      // OK or Cancel during a count: the count stops now, not when it ends.
      if (counter_) counter_->cancel();
      KillTimer(hwnd_, kClockTimer);
      hwnd_ = tab_ = status_ = nullptr;
      pages_.fill(nullptr);
      items_.fill(nullptr);
      return FALSE;
  }
  return FALSE;
}

INT_PTR Form2Window::onPageMessage(HWND page, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG:
      // The page takes the tab control's themed background.
      EnableThemeDialogTexture(page, ETDT_ENABLETAB);
      return FALSE;
    case WM_COMMAND:
      return onCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
    case WM_HSCROLL:
      return onScroll(reinterpret_cast<HWND>(lp));
    case WM_NOTIFY:
      return onPageNotify(page, *reinterpret_cast<const NMHDR*>(lp));
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
      return onControlColour(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
    case WM_DRAWITEM:
      return onDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp)) ? TRUE : FALSE;
  }
  return FALSE;
}

void Form2Window::onUnexpectedError() noexcept {
  // The dialog stays usable: one message, never a second one from inside the
  // first one's own message loop, and back to the user.
  if (reportingError_) return;
  reportingError_ = true;
  try {
    messages_(modalOwner(), kUnexpectedError, MessageKind::Exclamation);
  } catch (...) {
  }
  reportingError_ = false;
}

ScreenMetrics Form2Window::metrics() {
  const auto twips = [this](int pixels) { return static_cast<int>(std::lround(pixels * twipsPerPixel_)); };
  ScreenMetrics m;
  m.twipsPerPixelX = m.twipsPerPixelY = twipsPerPixel_;
  m.screenWidth = twips(GetSystemMetrics(SM_CXSCREEN));
  m.screenHeight = twips(GetSystemMetrics(SM_CYSCREEN));
  RECT r{};
  if (hwnd_) GetWindowRect(hwnd_, &r);
  m.windowWidth = twips(r.right - r.left);
  m.windowHeight = twips(r.bottom - r.top);
  return m;
}

void Form2Window::moveWindow(int leftTwips, int topTwips) {
  if (!hwnd_) return;
  SetWindowPos(hwnd_, nullptr, twipsToPixels(leftTwips, twipsPerPixel_), twipsToPixels(topTwips, twipsPerPixel_), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::vector<std::string> Form2Window::pictureExtensions() {
  if (!extensions_) extensions_ = lumova::pictureExtensions(win32::decoderExtensionLists());
  return *extensions_;
}

void Form2Window::countFolders(const std::vector<std::string>& folders) {
  if (!hwnd_) return;
  if (!counter_) {
    // Made with the first count, on the tree in use then (tests give their own).
    counter_ = std::make_unique<FolderWorker>(folders_, pictureExtensions(), FolderWorker::Keep::FirstOnly,
                                              [hwnd = hwnd_] { PostMessageW(hwnd, kCountedMessage, 0, 0); });
  }
  countJob_ = folders;
  counting_.assign(folders.size(), FolderCount{});
  counter_->start(folders);
}

void Form2Window::takeCounts() {
  if (!counter_) return;
  for (FolderFinding& f : counter_->take()) {
    if (f.folder >= counting_.size()) continue;
    FolderCount& count = counting_[f.folder];
    count.pictures += f.count;
    if (count.first.empty() && !f.pictures.empty()) count.first = longPathForm(f.pictures.front());
    if (!f.folderDone) continue;
    count.readable = f.readable;
    model_->folderCounted(countJob_[f.folder], count);
  }
}

void Form2Window::unload() {
  if (hwnd_) DestroyWindow(hwnd_);
}

}  // namespace lumova::dialog
