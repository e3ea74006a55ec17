// The tab control and its three pages: one child dialog per tab, shown when
// its tab is chosen by the mouse, by Ctrl+Tab and Ctrl+PgUp/PgDn, or by code.
#include "dialog/dialog_window_win32.h"

#include <commctrl.h>

#include "dialog/dialog_window_ids_win32.h"

namespace lumova::dialog {
namespace {

constexpr int kPageTemplates[kTabCount] = {IDD_SETTINGS_FILES, IDD_SETTINGS_DISPLAY, IDD_SETTINGS_PASSWORD};
constexpr const wchar_t* kTabLabels[kTabCount] = {L"Image Files", L"Background/Transitions", L"Password Protection"};

}  // namespace

void DialogWindow::createPages() {
  tab_ = GetDlgItem(hwnd_, IDC_TABS);
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
    HWND page = CreateDialogParamW(instance_, MAKEINTRESOURCEW(kPageTemplates[i]), hwnd_,
                                   &win32::dialogProc<DialogWindow, &DialogWindow::onPageMessage>,
                                   reinterpret_cast<LPARAM>(this));
    pages_[static_cast<std::size_t>(i)] = page;
    SetWindowPos(page, tab_, area.left, area.top, area.right - area.left, area.bottom - area.top, SWP_NOACTIVATE);
  }
}

bool DialogWindow::translate(MSG& msg) {
  if (!hwnd_) return false;
  if (msg.message == WM_KEYDOWN && (msg.hwnd == hwnd_ || IsChild(hwnd_, msg.hwnd)) && GetKeyState(VK_CONTROL) < 0 &&
      (msg.wParam == VK_TAB || msg.wParam == VK_NEXT || msg.wParam == VK_PRIOR)) {
    const bool back = msg.wParam == VK_PRIOR || (msg.wParam == VK_TAB && GetKeyState(VK_SHIFT) < 0);
    selectTab((currentTab() + (back ? kTabCount - 1 : 1)) % kTabCount);
    return true;
  }
  return IsDialogMessageW(hwnd_, &msg) != FALSE;
}

int DialogWindow::currentTab() const { return tab_ ? static_cast<int>(SendMessageW(tab_, TCM_GETCURSEL, 0, 0)) : -1; }

void DialogWindow::selectTab(int index) {
  if (!tab_ || index < 0 || index >= kTabCount) return;
  SendMessageW(tab_, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
  showPage(index);
}

void DialogWindow::showPage(int index) {
  for (int i = 0; i < kTabCount; ++i)
    if (i != index) ShowWindow(pages_[static_cast<std::size_t>(i)], SW_HIDE);
  ShowWindow(pages_[static_cast<std::size_t>(index)], SW_SHOWNA);
  // Focus left on a hidden page goes to the tab strip.
  HWND focus = GetFocus();
  if (focus && IsChild(hwnd_, focus) && !IsWindowVisible(focus))
    SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(tab_), TRUE);
}

INT_PTR DialogWindow::onTabNotify(const NMHDR& header) {
  if (header.hwndFrom == tab_ && header.code == TCN_SELCHANGE) showPage(currentTab());
  return FALSE;
}

}  // namespace lumova::dialog
