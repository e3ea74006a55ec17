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
    {C::pictureList, L"Loaded image(s)"},
    {C::pictureCount, L"Image amount"},
    {C::addButton, L"Load an image"},
    {C::addFolderButton, L"Show the pictures of a folder, kept up to date"},
    {C::folderList, L"Folders whose pictures are shown"},
    {C::removeFolderButton, L"Remove the selected folder"},
    {C::removeButton, L"Remove an image"},
    {C::removeAllButton, L"Remove all images"},
    {C::captionText, L"Image caption"},
    {C::clearCaptionButton, L"Clear caption"},
    {C::fontButton, L"Font type, color and size"},
    {C::fontColourSwatch, L"Font color"},
    {C::thumbnailBox, L"Thumbnail preview"},
    {C::backgroundChoice, L"Background"},
    {C::backColourButton, L"Background color"},
    {C::backColourSwatch, L"Background color"},
    {C::panZoomOption, L"Move slowly across each picture"},
    {C::floatSpeed, L"Float speed of image"},
    {C::randomOrderCheck, L"Display images in random order"},
    {C::transitionChoice, L"Transitions"},
    {C::randomTransitionsCheck, L"Display Transitions at Random"},
    {C::fitPicturesCheck, L"Show large pictures whole"},
    {C::allMonitorsCheck, L"Use every monitor"},
    {C::shuffleCheck, L"Shuffle without repeats"},
    {C::keysSteerCheck,
     L"Right: the next picture. Left: the one before. Space: pause. I: details. H: hide for good. "
     L"Other keys end the saver."},
    {C::showHiddenButton, L"Show the pictures hidden with the H key again"},
    {C::stillOnBatteryCheck, L"Moving pictures stand still, centred, while on battery"},
    {C::clockChoice, L"A clock in a corner of each monitor"},
    {C::blurFillCheck, L"Fill the screen around each picture with a blurred, dimmed copy of it"},
    {C::pairPortraitsCheck, L"On a landscape monitor, show two portrait pictures at once"},
    {C::useGpuCheck, L"Smooth effects on large screens; unticked, pictures are drawn without the graphics card"},
};

}  // namespace

void DialogWindow::createToolTips() {
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
