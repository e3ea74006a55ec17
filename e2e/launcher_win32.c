/* Starts one program with an exact command line and reports its exit code.
 *
 * Wine re-quotes the arguments it is given, so the texts arrive hex-encoded
 * (UTF-8) and are decoded here:
 *   lumova_e2e_launcher run <application> <command line> <exit-code file>
 *   lumova_e2e_launcher idle <ready file>
 * "run" starts the program inside a kill-on-close job, so ending the launcher
 * ends the program too; the exit code is written to the file (decimal text,
 * complete when the file appears) and returned as the launcher's own.
 * "idle" writes the ready file once the desktop exists and then waits for
 * ever: it keeps Wine's desktop alive between the programs of one test.
 *
 * For the harness's own tests, LUMOVA_E2E_LAUNCHER_FAIL may list Win32 error
 * codes (comma-separated) that the first starts fail with instead of calling
 * CreateProcess. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { kUsage = 0x7E2E0001, kFailed = 0x7E2E0002 };

static int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

/* Decodes hex-encoded UTF-8 into a new wide string; NULL on bad input. */
static wchar_t* decodeHex(const char* hex) {
  size_t len = strlen(hex);
  if (len % 2 != 0) return NULL;
  char* bytes = malloc(len / 2 + 1);
  if (!bytes) return NULL;
  for (size_t i = 0; i < len / 2; ++i) {
    int hi = hexValue(hex[2 * i]), lo = hexValue(hex[2 * i + 1]);
    if (hi < 0 || lo < 0) {
      free(bytes);
      return NULL;
    }
    bytes[i] = (char)(hi * 16 + lo);
  }
  bytes[len / 2] = 0;
  int wlen = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, (int)(len / 2 + 1), NULL, 0);
  wchar_t* wide = wlen > 0 ? malloc(sizeof(wchar_t) * (size_t)wlen) : NULL;
  if (wide && MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, (int)(len / 2 + 1), wide, wlen) != wlen) {
    free(wide);
    wide = NULL;
  }
  free(bytes);
  return wide;
}

/* Writes the text to a temporary file and renames it, so a reader never sees
 * half of it. */
static BOOL writeFileAtomically(const wchar_t* path, const char* text) {
  size_t n = wcslen(path);
  wchar_t* tmp = malloc(sizeof(wchar_t) * (n + 5));
  if (!tmp) return FALSE;
  memcpy(tmp, path, sizeof(wchar_t) * n);
  memcpy(tmp + n, L".tmp", sizeof(wchar_t) * 5);
  BOOL ok = FALSE;
  HANDLE f = CreateFileW(tmp, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (f != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    ok = WriteFile(f, text, (DWORD)strlen(text), &written, NULL) && written == strlen(text);
    CloseHandle(f);
    ok = ok && MoveFileExW(tmp, path, MOVEFILE_REPLACE_EXISTING);
  }
  free(tmp);
  return ok;
}

static int idle(const wchar_t* readyFile) {
  /* Asking for the desktop window makes Wine bring up its desktop now. */
  GetDesktopWindow();
  if (!writeFileAtomically(readyFile, "ready\n")) return kFailed;
  HANDLE never = CreateEventW(NULL, TRUE, FALSE, NULL);
  WaitForSingleObject(never, INFINITE);
  return 0;
}

/* The error the next start is to fail with, from LUMOVA_E2E_LAUNCHER_FAIL;
 * 0 to really start. */
static DWORD injectedFailure(int attempt) {
  char list[256];
  DWORD n = GetEnvironmentVariableA("LUMOVA_E2E_LAUNCHER_FAIL", list, sizeof list);
  if (n == 0 || n >= sizeof list) return 0;
  const char* p = list;
  for (int i = 1; i < attempt && p; ++i) {
    p = strchr(p, ',');
    if (p) ++p;
  }
  return p ? (DWORD)strtoul(p, NULL, 10) : 0;
}

/* Under Wine a new process now and then ends while it is still being set up,
 * before any of its own code has run (more often on a loaded machine), and
 * CreateProcess then fails with ERROR_INTERNAL_ERROR: Wine's way of saying the
 * new process went before it had started. The program never ran, so one more
 * try is safe; any other error, or the same one twice, is a real fault. */
static BOOL startSuspended(const wchar_t* application, wchar_t* commandLine, PROCESS_INFORMATION* pi) {
  for (int attempt = 1;; ++attempt) {
    STARTUPINFOW si;
    memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    DWORD error = injectedFailure(attempt);
    /* Suspended until it is in the job, so nothing it starts escapes. */
    if (!error && CreateProcessW(application, commandLine, NULL, NULL, FALSE, CREATE_SUSPENDED, NULL, NULL, &si, pi))
      return TRUE;
    if (!error) error = GetLastError();
    fprintf(stderr, "lumova_e2e_launcher: CreateProcess failed, error %lu\n", error);
    if (error != ERROR_INTERNAL_ERROR || attempt == 2) return FALSE;
    fprintf(stderr, "lumova_e2e_launcher: the new process ended before it had started (Wine); trying once more\n");
    fflush(stderr);
  }
}

static int run(const wchar_t* application, wchar_t* commandLine, const wchar_t* exitFile) {
  HANDLE job = CreateJobObjectW(NULL, NULL);
  if (!job) return kFailed;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;
  memset(&limits, 0, sizeof limits);
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) return kFailed;

  PROCESS_INFORMATION pi;
  if (!startSuspended(application, commandLine, &pi)) return kFailed;
  if (!AssignProcessToJobObject(job, pi.hProcess)) {
    TerminateProcess(pi.hProcess, kFailed);
    return kFailed;
  }
  ResumeThread(pi.hThread);
  CloseHandle(pi.hThread);
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = kFailed;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  char text[16];
  snprintf(text, sizeof text, "%lu\n", (unsigned long)code);
  if (!writeFileAtomically(exitFile, text)) return kFailed;
  /* Closing the job ends whatever the program left behind. */
  CloseHandle(job);
  return (int)code;
}

int main(int argc, char** argv) {
  if (argc == 3 && strcmp(argv[1], "idle") == 0) {
    wchar_t* ready = decodeHex(argv[2]);
    return ready ? idle(ready) : kUsage;
  }
  if (argc == 5 && strcmp(argv[1], "run") == 0) {
    wchar_t* application = decodeHex(argv[2]);
    wchar_t* commandLine = decodeHex(argv[3]);
    wchar_t* exitFile = decodeHex(argv[4]);
    if (!application || !commandLine || !exitFile) return kUsage;
    return run(application, commandLine, exitFile);
  }
  fprintf(stderr, "usage: lumova_e2e_launcher run APP CMDLINE EXITFILE | idle READYFILE (texts hex-encoded UTF-8)\n");
  return kUsage;
}
