// Making, placing and closing the dialog, and its two procedures, which hand
// each message to the part of the window that deals with it.
#include "dialog/dialog_window_win32.h"

#include <uxtheme.h>

#include <cmath>
#include <utility>

#include "common/display_win32.h"
#include "common/message_box_win32.h"
#include "common/units.h"
#include "dialog/dialog_window_ids_win32.h"
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
    {C::pictureList, 0, IDC_PICTURE_LIST},
    {C::captionList, kNoWindow, 0},  // the captions live in the model only
    {C::pictureCount, 0, IDC_PICTURE_COUNT},
    {C::addButton, 0, IDC_ADD_PICTURES},
    {C::addFolderButton, 0, IDC_ADD_FOLDER},
    {C::folderList, 0, IDC_FOLDER_LIST},
    {C::removeFolderButton, 0, IDC_REMOVE_FOLDER},
    {C::removeButton, 0, IDC_REMOVE_PICTURE},
    {C::removeAllButton, 0, IDC_REMOVE_ALL},
    {C::captionText, 0, IDC_CAPTION},
    {C::clearCaptionButton, 0, IDC_CLEAR_CAPTION},
    {C::fontButton, 0, IDC_FONT},
    {C::fontColourSwatch, 0, IDC_FONT_COLOUR},
    {C::thumbnailBox, 0, IDC_THUMBNAIL},
    {C::backgroundChoice, 1, IDC_BACKGROUND},
    {C::backColourButton, 1, IDC_CHOOSE_BACK_COLOUR},
    {C::backColourSwatch, 1, IDC_BACK_COLOUR},
    {C::centredOption, 1, IDC_CENTRED},
    {C::floatingOption, 1, IDC_FLOATING},
    {C::panZoomOption, 1, IDC_PAN_ZOOM},
    {C::floatSpeed, 1, IDC_FLOAT_SPEED},
    {C::floatSpeedLabel, 1, IDC_FLOAT_SPEED_LABEL},
    {C::changeAfterOption, 1, IDC_CHANGE_AFTER},
    {C::changeNeverOption, 1, IDC_CHANGE_NEVER},
    {C::intervalSeconds, 1, IDC_INTERVAL},
    {C::intervalSpin, 1, IDC_INTERVAL_SPIN},
    {C::secondsLabel, 1, IDC_SECONDS_LABEL},
    {C::randomOrderCheck, 1, IDC_RANDOM_ORDER},
    {C::transitionChoice, 1, IDC_TRANSITION},
    {C::randomTransitionsCheck, 1, IDC_RANDOM_TRANSITIONS},
    {C::fitPicturesCheck, 1, IDC_FIT_PICTURES},
    {C::allMonitorsCheck, 1, IDC_ALL_MONITORS},
    {C::protectionCheck, 2, IDC_PROTECTION},
    {C::passwordText, 2, IDC_PASSWORD},
    {C::confirmText, 2, IDC_CONFIRM},
    {C::okButton, kMainWindow, IDOK},
    {C::cancelButton, kMainWindow, IDCANCEL},
    {C::shuffleCheck, 1, IDC_SHUFFLE},
    {C::autoCaptionChoice, 0, IDC_AUTO_CAPTION},
    {C::keysSteerCheck, 1, IDC_KEYS_STEER},
    {C::hiddenCount, 0, IDC_HIDDEN_COUNT},
    {C::showHiddenButton, 0, IDC_SHOW_HIDDEN},
    {C::stillOnBatteryCheck, 1, IDC_STILL_ON_BATTERY},
    {C::clockChoice, 1, IDC_CLOCK},
    {C::blurFillCheck, 1, IDC_BLUR_FILL},
    {C::pairPortraitsCheck, 1, IDC_PAIR_PORTRAITS},
    {C::useGpuCheck, 1, IDC_USE_GPU},
};
static_assert(std::size(kBindings) == kControlCount);

MessageFunction systemMessageBoxes() {
  return [](HWND owner, const std::string& text, MessageKind kind) { return win32::showMessageBox(owner, text, kind); };
}

}  // namespace

DialogWindow::DialogWindow(HINSTANCE instance, settings::SettingsStore& store, PictureLoader& pictures,
                           MessageFunction messages, std::shared_ptr<FolderTree> folders)
    : instance_(instance),
      store_(store),
      pictures_(pictures),
      messages_(messages ? std::move(messages) : systemMessageBoxes()),
      folders_(folders ? std::move(folders) : std::make_shared<SystemFolderTree>()),
      model_(std::make_unique<SettingsDialog>(*this)) {
  backShown_.fill(SysColor::None);
  customColours_.fill(RGB(255, 255, 255));
}

DialogWindow::~DialogWindow() {
  if (hwnd_) DestroyWindow(hwnd_);
}

bool DialogWindow::create() {
  CreateDialogParamW(instance_, MAKEINTRESOURCEW(IDD_SETTINGS), nullptr,
                     &win32::dialogProc<DialogWindow, &DialogWindow::onMainMessage>, reinterpret_cast<LPARAM>(this));
  if (!hwnd_) return false;
  // Every control as the model starts it (combo items, colours), then start-up.
  for (std::size_t i = 0; i < kControlCount; ++i) mirror(static_cast<Control>(i));
  model_->load();
  return hwnd_ != nullptr;
}

void DialogWindow::show() {
  if (!hwnd_) return;
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
}

bool DialogWindow::onInitDialog() {
  twipsPerPixel_ = twipsPerPixel(win32::monitorDpi(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY)));
  createPages();
  findItems();
  prepareControls();
  createStatusBar();
  createToolTips();
  showPage(0);
  return true;
}

void DialogWindow::findItems() {
  for (const Binding& b : kBindings) {
    HWND parent = b.page == kMainWindow ? hwnd_ : b.page >= 0 ? pages_[static_cast<std::size_t>(b.page)] : nullptr;
    items_[static_cast<std::size_t>(b.control)] = parent ? GetDlgItem(parent, b.id) : nullptr;
  }
}

INT_PTR DialogWindow::onMainMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG:
      hwnd_ = hwnd;
      return onInitDialog() ? TRUE : FALSE;
    case WM_COMMAND:
      return onCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
    case WM_CLOSE:
      // Closing by the frame leaves the file alone, as Cancel does.
      model_->onCancel();
      return TRUE;
    case WM_QUERYENDSESSION:
      SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case WM_ENDSESSION:
      // A closing session is a Cancel: nothing is written on the way out.
      if (wp) model_->onCancel();
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

INT_PTR DialogWindow::onPageMessage(HWND page, UINT msg, WPARAM wp, LPARAM lp) {
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

void DialogWindow::onUnexpectedError() noexcept {
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

ScreenMetrics DialogWindow::metrics() {
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

void DialogWindow::moveWindow(int leftTwips, int topTwips) {
  if (!hwnd_) return;
  SetWindowPos(hwnd_, nullptr, twipsToPixels(leftTwips, twipsPerPixel_), twipsToPixels(topTwips, twipsPerPixel_), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::vector<std::string> DialogWindow::pictureExtensions() {
  if (!extensions_) extensions_ = lumova::pictureExtensions(win32::decoderExtensionLists());
  return *extensions_;
}

void DialogWindow::countFolders(const std::vector<std::string>& folders) {
  if (!hwnd_) return;
  if (!counter_) {
    // Made with the first count, on the tree in use then (tests give their own).
    missing_.emplace(pictureExtensions());
    counter_ = std::make_unique<FolderWorker>(
        folders_, pictureExtensions(), FolderWorker::Keep::FirstOnly,
        [hwnd = hwnd_] { PostMessageW(hwnd, kCountedMessage, 0, 0); }, kFolderPassAfter, missing_->extensions());
  }
  countJob_ = folders;
  counting_.assign(folders.size(), FolderCount{});
  counter_->start(folders);
}

void DialogWindow::takeCounts() {
  if (!counter_) return;
  for (FolderFinding& f : counter_->take()) {
    if (f.folder >= counting_.size()) continue;
    FolderCount& count = counting_[f.folder];
    count.pictures += f.count;
    if (count.first.empty() && !f.pictures.empty()) count.first = longPathForm(f.pictures.front());
    if (!f.folderDone) continue;
    count.readable = f.readable;
    count.unopened.assign(unopenedFormats().size(), 0);
    for (std::size_t i = 0; i < f.counted.size(); ++i) count.unopened[missing_->formatAt(i)] += f.counted[i];
    model_->folderCounted(countJob_[f.folder], count);
  }
}

void DialogWindow::unload() {
  if (hwnd_) DestroyWindow(hwnd_);
}

}  // namespace lumova::dialog
