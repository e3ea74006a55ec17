// The controls' notifications as model calls: a click, a tick, a typed text,
// a chosen item, a slider or spin step. The view's own writes into the
// controls echo back as notifications; those are dropped.
#include "dialog/dialog_window_win32.h"

#include <commctrl.h>

#include <algorithm>

#include "dialog/control_text_win32.h"

namespace lumova::dialog {

using C = Control;

INT_PTR DialogWindow::onCommand(int id, int code, HWND control) {
  const auto found = std::find_if(items_.begin(), items_.end(), [id](HWND h) { return h && GetDlgCtrlID(h) == id; });
  if (found == items_.end()) return FALSE;
  if (mirroring_) return TRUE;
  const auto c = static_cast<Control>(found - items_.begin());
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
      if (code == EN_CHANGE) model_->setText(c, windowText(control));
      if (code == EN_MAXTEXT) model_->textTooLong(c);
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

INT_PTR DialogWindow::onScroll(HWND control) {
  if (control != item(C::floatSpeed) || mirroring_) return FALSE;
  model_->setValue(C::floatSpeed, static_cast<int>(SendMessageW(control, TBM_GETPOS, 0, 0)));
  return TRUE;
}

INT_PTR DialogWindow::onPageNotify(HWND page, const NMHDR& header) {
  if (header.hwndFrom != item(C::intervalSpin) || header.code != UDN_DELTAPOS) return FALSE;
  // The model moves the spin control itself, through the mirror; the
  // control's own step is refused so that the two never disagree.
  const auto& change = reinterpret_cast<const NMUPDOWN&>(header);
  const settings::Range range = controlRange(C::intervalSpin);
  const long long next = static_cast<long long>(change.iPos) + (change.iDelta > 0) - (change.iDelta < 0);
  model_->setValue(C::intervalSpin, static_cast<int>(std::clamp<long long>(next, range.low, range.high)));
  SetWindowLongPtrW(page, DWLP_MSGRESULT, TRUE);
  return TRUE;
}

}  // namespace lumova::dialog
