/* What end-to-end tests do from inside Wine, as another program would.
 *   lumova_e2e_tool.exe close CLASS          posts WM_CLOSE to the top-level
 *                                            window of that class; exit 1 if none
 *   lumova_e2e_tool.exe hold PATH            opens the file sharing nothing and
 *                                            keeps it open until ended; once it
 *                                            is open, writes PATH.held
 *   lumova_e2e_tool.exe press TITLE ID       posts the click of button ID
 *                                            (1 = OK) to the visible dialog or
 *                                            message box of exactly that title;
 *                                            exit 1 if there is none
 *   lumova_e2e_tool.exe settext TITLE ID TEXT puts TEXT into the control ID (at
 *                                            any depth) of that dialog; exit 1
 *                                            if there is none
 *   lumova_e2e_tool.exe texts TITLE OUTFILE  writes the texts of the top-level
 *                                            window of that title and of its
 *                                            children, one a line, in UTF-8;
 *                                            exit 1 if there is no such window
 * Arguments are UTF-16 from the command line, so any script passes.
 */
#include <windows.h>
#include <shellapi.h>
#include <stdio.h>
#include <wchar.h>

static void writeUtf8(HANDLE out, const wchar_t* text) {
  char buffer[8192];
  int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, sizeof buffer, NULL, NULL);
  DWORD written = 0;
  if (n > 1) WriteFile(out, buffer, (DWORD)(n - 1), &written, NULL);
  WriteFile(out, "\n", 1, &written, NULL);
}

static BOOL CALLBACK writeChild(HWND child, LPARAM out) {
  wchar_t text[4096];
  if (GetWindowTextW(child, text, 4096) > 0) writeUtf8((HANDLE)out, text);
  return TRUE;
}

struct ChildSearch {
  int id;
  HWND found;
};

static BOOL CALLBACK findChild(HWND child, LPARAM lp) {
  struct ChildSearch* search = (struct ChildSearch*)lp;
  if (GetDlgCtrlID(child) != search->id) return TRUE;
  search->found = child;
  return FALSE;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  (void)instance, (void)previous, (void)commandLine, (void)show;
  if (!argv || argc < 3) return 2;
  if (wcscmp(argv[1], L"close") == 0) {
    HWND window = FindWindowW(argv[2], NULL);
    return window && PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
  }
  if (wcscmp(argv[1], L"hold") == 0) {
    HANDLE file = CreateFileW(argv[2], GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    HANDLE marker;
    wchar_t held[32768];
    if (file == INVALID_HANDLE_VALUE) return 1;
    /* The test waits for this before it starts what must find the file held. */
    if (_snwprintf(held, 32768, L"%ls.held", argv[2]) < 0) return 2;
    marker = CreateFileW(held, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (marker == INVALID_HANDLE_VALUE) return 2;
    CloseHandle(marker);
    Sleep(INFINITE);
    return 0;
  }
  if (wcscmp(argv[1], L"press") == 0 && argc >= 4) {
    /* A posted click reaches the window whether or not it has the keyboard. */
    HWND window = FindWindowW(L"#32770", argv[2]);
    int id = _wtoi(argv[3]);
    if (!window || !IsWindowVisible(window)) return 1;
    return PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0) ? 0 : 1;
  }
  if (wcscmp(argv[1], L"settext") == 0 && argc >= 5) {
    HWND window = FindWindowW(L"#32770", argv[2]);
    struct ChildSearch search = {_wtoi(argv[3]), NULL};
    if (!window || !IsWindowVisible(window)) return 1;
    EnumChildWindows(window, findChild, (LPARAM)&search);
    if (!search.found) return 1;
    return SendMessageW(search.found, WM_SETTEXT, 0, (LPARAM)argv[4]) ? 0 : 1;
  }
  if (wcscmp(argv[1], L"texts") == 0 && argc >= 4) {
    HWND window = FindWindowW(NULL, argv[2]);
    HANDLE out;
    wchar_t title[4096];
    if (!window) return 1;
    out = CreateFileW(argv[3], GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (out == INVALID_HANDLE_VALUE) return 2;
    if (GetWindowTextW(window, title, 4096) > 0) writeUtf8(out, title);
    EnumChildWindows(window, writeChild, (LPARAM)out);
    CloseHandle(out);
    return 0;
  }
  return 2;
}
