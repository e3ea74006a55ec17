// The modal boxes the model asks for: messages, and the system's file-open,
// font and colour dialogs, owned by the dialog once it is on the screen.
#include "dialog/dialog_window_win32.h"

#include <commdlg.h>
#include <shobjidl.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "common/gdi_win32.h"
#include "common/units.h"
#include "picture/wic_loader_win32.h"
#include "dialog/control_text_win32.h"

namespace lumova::dialog {
namespace {

// 1 MiB characters: some 40,000 names of usual length.
constexpr std::size_t kOpenBufferLength = 1u << 20;

}  // namespace

HWND DialogWindow::modalOwner() const { return hwnd_ && IsWindowVisible(hwnd_) ? hwnd_ : nullptr; }

void DialogWindow::showMessage(const std::string& text) { messages_(modalOwner(), text, MessageKind::Exclamation); }

bool DialogWindow::askYesNo(const std::string& text) {
  return messages_(modalOwner(), text, MessageKind::YesNoExclamation) == MessageAnswer::Yes;
}

std::vector<std::string> DialogWindow::openFiles(const OpenFileRequest& request) {
  const std::wstring filter = controlText(commonDialogFilter(request.filter));
  const std::wstring title = controlText(request.title);
  // Several files come as the folder and every name, so the buffer is
  // large: a selection that does not fit is refused by the dialog.
  std::vector<wchar_t> file(kOpenBufferLength, L'\0');
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = modalOwner();
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = static_cast<DWORD>(std::max(request.filterIndex, 0));
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrTitle = title.c_str();
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_EXPLORER;
  if (!GetOpenFileNameW(&ofn)) return {};
  // Up to the empty name that ends the list.
  std::size_t end = 0;
  while (end + 1 < file.size() && !(file[end] == L'\0' && file[end + 1] == L'\0')) ++end;
  return splitOpenSelection(modelText(std::wstring_view(file.data(), end + 1)));
}

std::optional<std::string> DialogWindow::chooseFolder(const FolderRequest& request) {
  win32::ComPtr<IFileOpenDialog> dialog;
  if (FAILED(
          CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog, dialog.putVoid())))
    return std::nullopt;
  FILEOPENDIALOGOPTIONS options = 0;
  dialog->GetOptions(&options);
  dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
  dialog->SetTitle(controlText(request.title).c_str());
  if (FAILED(dialog->Show(modalOwner()))) return std::nullopt;  // cancelled, or it failed
  win32::ComPtr<IShellItem> item;
  if (FAILED(dialog->GetResult(item.put()))) return std::nullopt;
  PWSTR path = nullptr;
  if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &path)) || !path) return std::nullopt;
  std::string chosen = modelText(path);
  CoTaskMemFree(path);
  return chosen;
}

std::optional<FontChoice> DialogWindow::chooseFont(const FontRequest& request) {
  const FontChoice& initial = request.initial;
  LOGFONTW font{};
  // Character height from points at the monitor's resolution; tenths keep a
  // fractional size such as 10.5.
  const long tenths = std::lround(std::clamp(initial.size, 0.0, 10000.0) * 10);
  font.lfHeight = fontHeightPixels(tenths / 10.0, twipsPerPixel_);
  font.lfWeight = initial.bold ? FW_BOLD : FW_NORMAL;
  font.lfItalic = initial.italic ? TRUE : FALSE;
  font.lfUnderline = initial.underline ? TRUE : FALSE;
  font.lfStrikeOut = initial.strikethru ? TRUE : FALSE;
  font.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(font.lfFaceName, controlText(initial.name).c_str(), LF_FACESIZE);

  CHOOSEFONTW cf{};
  cf.lStructSize = sizeof cf;
  cf.hwndOwner = modalOwner();
  cf.lpLogFont = &font;
  cf.iPointSize = static_cast<INT>(tenths);
  cf.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_LIMITSIZE | CF_INITTOLOGFONTSTRUCT;
  cf.rgbColors = win32::toColorRef(initial.colour);
  cf.nSizeMin = request.minSize;
  cf.nSizeMax = request.maxSize;
  if (!ChooseFontW(&cf)) return std::nullopt;

  FontChoice chosen;
  chosen.name = modelText(font.lfFaceName);
  chosen.size = cf.iPointSize > 0 ? cf.iPointSize / 10.0
                                  : std::abs(static_cast<double>(font.lfHeight)) * twipsPerPixel_ / kTwipsPerPoint;
  chosen.bold = font.lfWeight >= FW_SEMIBOLD;
  chosen.italic = font.lfItalic != 0;
  chosen.underline = font.lfUnderline != 0;
  chosen.strikethru = font.lfStrikeOut != 0;
  chosen.colour = cf.rgbColors & 0xFFFFFFu;
  return chosen;
}

std::optional<std::uint32_t> DialogWindow::chooseColour(const ColourRequest& request) {
  CHOOSECOLORW cc{};
  cc.lStructSize = sizeof cc;
  cc.hwndOwner = modalOwner();
  cc.rgbResult = win32::toColorRef(request.initial);
  cc.lpCustColors = customColours_.data();
  cc.Flags = CC_RGBINIT;
  if (!ChooseColorW(&cc)) return std::nullopt;
  return static_cast<std::uint32_t>(cc.rgbResult & 0xFFFFFFu);
}

}  // namespace lumova::dialog
