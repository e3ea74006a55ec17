// Texts between the controls, which hold UTF-16, and the model, which keeps
// them in UTF-8 as the whole program does. Every conversion of a control's
// text goes through here.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace lumova::dialog {

inline constexpr UINT kTextCodePage = CP_UTF8;

// A model text as a control takes it, and back.
std::wstring controlText(std::string_view modelText);
std::string modelText(std::wstring_view controlText);

// A window's text as the model keeps it, and the other way.
std::string windowText(HWND window);
void setWindowText(HWND window, std::string_view modelText);

}  // namespace lumova::dialog
