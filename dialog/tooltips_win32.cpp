// The tool tips of the controls that have one.
#include "dialog/dialog_window_win32.h"

#include <commctrl.h>

namespace lumova::dialog {
namespace {

using C = Control;

struct ToolTip {
  Control control;
  const wchar_t* text;
};

constexpr ToolTip kToolTips[] = {
    {C::List1, L"Loaded image(s)"},
    {C::Text3, L"Image amount"},
    {C::add, L"Load an image"},
    {C::addFolder, L"Show the pictures of a folder, kept up to date"},
    {C::Folders, L"Folders whose pictures are shown"},
    {C::removeFolder, L"Remove the selected folder"},
    {C::remove, L"Remove an image"},
    {C::RemoveAll, L"Remove all images"},
    {C::p_caption, L"Image caption"},
    {C::caption_clear, L"Clear caption"},
    {C::font, L"Font type, color and size"},
    {C::Picture2, L"Font color"},
    {C::photo1, L"Thumbnail preview"},
    {C::Combo1, L"Background"},
    {C::backColorClick, L"Background color"},
    {C::Picture1, L"Background color"},
    {C::pZoom, L"Move slowly across each picture"},
    {C::Slider1, L"Float speed of image"},
    {C::Random_select, L"Display images in random order"},
    {C::TransitionsCbx, L"Transitions"},
    {C::RndTranCheck, L"Display Transitions at Random"},
    {C::PicFitCheck, L"Show large pictures whole"},
    {C::AllMonitorsCheck, L"Use every monitor"},
    {C::ShuffleCheck, L"Shuffle without repeats"},
};

}  // namespace

void Form2Window::createToolTips() {
  // Owned by the dialog, so it goes when the dialog does.
  HWND tips =
      CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, instance_, nullptr);
  if (!tips) return;
  for (const ToolTip& t : kToolTips) {
    HWND control = item(t.control);
    if (!control) continue;
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = GetParent(control);
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<wchar_t*>(t.text);
    SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

}  // namespace lumova::dialog
