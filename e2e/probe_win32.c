/* A stand-in program for testing the launcher. It writes the command line it
 * was given, byte for byte, to "cmdline.txt" beside itself, then:
 *   --crash   crashes (a write through a null pointer);
 *   --wait    shows a window titled "Lumova e2e probe" until it is ended;
 *   --exit=N  ends with exit code N (0 without it). */
#include <windows.h>
#include <stdlib.h>
#include <string.h>

static LRESULT CALLBACK probeWindowProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wp, lp);
}

static void showWindowUntilEnded(HINSTANCE instance) {
  WNDCLASSA wc;
  memset(&wc, 0, sizeof wc);
  wc.lpfnWndProc = probeWindowProc;
  wc.hInstance = instance;
  wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
  wc.lpszClassName = "LumovaE2EProbe";
  RegisterClassA(&wc);
  CreateWindowExA(0, "LumovaE2EProbe", "Lumova e2e probe", WS_POPUP | WS_VISIBLE, 100, 100, 200, 150, NULL, NULL,
                  instance, NULL);
  MSG m;
  while (GetMessageA(&m, NULL, 0, 0) > 0) DispatchMessageA(&m);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR args, int show) {
  const char* commandLine = GetCommandLineA();
  char path[MAX_PATH + 16];
  DWORD n = GetModuleFileNameA(NULL, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return 1;
  char* slash = strrchr(path, '\\');
  strcpy(slash ? slash + 1 : path, "cmdline.txt");
  HANDLE f = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (f == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(f, commandLine, (DWORD)strlen(commandLine), &written, NULL);
  CloseHandle(f);

  if (strstr(commandLine, "--crash")) {
    volatile int* nowhere = NULL;
    *nowhere = 1;
  }
  if (strstr(commandLine, "--wait")) showWindowUntilEnded(instance);
  const char* exitArg = strstr(commandLine, "--exit=");
  return exitArg ? (int)strtoul(exitArg + 7, NULL, 10) : 0;
}
