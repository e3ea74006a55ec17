// The prompt's real window: layout at two DPIs, the boxes, the notice and
// the way characters reach the handlers.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "password/password_prompt_win32.h"

namespace lumova::password {
namespace {

int px(double twips, double tpp) { return static_cast<int>(std::lround(twips / tpp)); }

std::string textOf(HWND hwnd) {
  char buffer[256] = {};
  GetWindowTextA(hwnd, buffer, sizeof buffer);
  return buffer;
}

// Position of a control in its parent's client area.
RECT placeOf(HWND control) {
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

struct Recorded {
  std::vector<int> passwordChars;
  std::vector<std::string> passwordTextSeen;  // what the box held when the handler ran
  std::vector<int> notesChars;
  int closes = 0;
};

PasswordKeys recordingKeys(Recorded& rec, PasswordWindow*& window) {
  return PasswordKeys{[&rec, &window](int c) {
                        rec.passwordChars.push_back(c);
                        rec.passwordTextSeen.push_back(window->passwordText());
                      },
                      [&rec](int c) { rec.notesChars.push_back(c); }, [&rec] { ++rec.closes; }};
}

TEST(PasswordWindow, ControlsSitAtTheirTwipPositionsAtEveryDpi) {
  struct Place {
    Control control;
    const char* name;
    int left, top, width, height;  // twips; 0 width: fitted to the text
  };
  const std::vector<Place> places = {
      {Control::boardLabel, "boardLabel", 120, 120, 0, 0},
      {Control::hideHint, "hideHint", 1920, 120, 0, 0},
      {Control::notesBox, "notesBox", 120, 360, 2895, 1335},
      {Control::passwordLabel, "passwordLabel", 140, 1830, 0, 0},
      {Control::passwordBox, "passwordBox", 960, 1800, 2055, 285},
      {Control::wrongPasswordNotice, "wrongPasswordNotice", 210, 2160, 0, 0},
  };
  for (double tpp : {15.0, 12.0, 10.0}) {
    SCOPED_TRACE("twips per pixel " + std::to_string(tpp));
    PasswordWindow* self = nullptr;
    Recorded rec;
    PasswordWindow window(GetModuleHandleA(nullptr), tpp, tpp, recordingKeys(rec, self));
    self = &window;
    window.load();
    ASSERT_TRUE(window.hwnd());
    EXPECT_EQ(textOf(window.hwnd()), "Password Protection");
    RECT client;
    GetClientRect(window.hwnd(), &client);
    EXPECT_EQ(client.right, px(3120, tpp));
    EXPECT_EQ(client.bottom, px(2520, tpp));
    for (const auto& p : places) {
      SCOPED_TRACE(p.name);
      HWND c = window.control(p.control);
      ASSERT_TRUE(c);
      RECT r = placeOf(c);
      EXPECT_EQ(r.left, px(p.left, tpp));
      EXPECT_EQ(r.top, px(p.top, tpp));
      if (p.width) {
        EXPECT_EQ(r.right - r.left, px(p.width, tpp));
        EXPECT_EQ(r.bottom - r.top, px(p.height, tpp));
      } else {
        EXPECT_GT(r.right - r.left, 0);
        EXPECT_LE(r.right, client.right + 2) << "a label runs off the prompt";
      }
    }
  }
}

TEST(PasswordWindow, TextsBoxesAndTheHiddenNotice) {
  PasswordWindow* self = nullptr;
  Recorded rec;
  PasswordWindow window(GetModuleHandleA(nullptr), 15, 15, recordingKeys(rec, self));
  self = &window;
  window.load();
  EXPECT_EQ(textOf(window.control(Control::boardLabel)), "Message Board");
  EXPECT_EQ(textOf(window.control(Control::hideHint)), "('Enter' to hide)");
  EXPECT_EQ(textOf(window.control(Control::passwordLabel)), "Password");
  EXPECT_EQ(textOf(window.control(Control::wrongPasswordNotice)), "INVALID PASSWORD!");
  EXPECT_EQ(textOf(window.control(Control::notesBox)), " \r\n");
  EXPECT_FALSE(IsWindowVisible(window.control(Control::wrongPasswordNotice)));

  HWND password = window.control(Control::passwordBox);
  EXPECT_TRUE(GetWindowLongA(password, GWL_STYLE) & ES_PASSWORD);
  EXPECT_FALSE(GetWindowLongA(password, GWL_STYLE) & ES_MULTILINE);
  EXPECT_EQ(SendMessageA(password, EM_GETPASSWORDCHAR, 0, 0), '*');
  EXPECT_TRUE(GetWindowLongA(window.control(Control::notesBox), GWL_STYLE) & ES_MULTILINE);

  // Fixed frame, in front of everything.
  EXPECT_FALSE(GetWindowLongA(window.hwnd(), GWL_STYLE) & WS_THICKFRAME);
  EXPECT_TRUE(GetWindowLongA(window.hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);

  window.setNoticeVisible(true);
  EXPECT_TRUE(GetWindowLongA(window.control(Control::wrongPasswordNotice), GWL_STYLE) & WS_VISIBLE);
  window.setNoticeVisible(false);
  EXPECT_FALSE(GetWindowLongA(window.control(Control::wrongPasswordNotice), GWL_STYLE) & WS_VISIBLE);

  window.setPasswordText("abc");
  EXPECT_EQ(window.passwordText(), "abc");
  window.setPasswordText("");
  EXPECT_EQ(window.passwordText(), "");
}

TEST(PasswordWindow, NoticeIsRedBoldTwelvePointAndTheHintDarkBlue) {
  for (double tpp : {15.0, 12.0}) {
    SCOPED_TRACE("twips per pixel " + std::to_string(tpp));
    PasswordWindow* self = nullptr;
    Recorded rec;
    PasswordWindow window(GetModuleHandleA(nullptr), tpp, tpp, recordingKeys(rec, self));
    self = &window;
    window.load();
    HWND notice = window.control(Control::wrongPasswordNotice);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(notice, WM_GETFONT, 0, 0));
    ASSERT_TRUE(font);
    LOGFONTA lf{};
    ASSERT_TRUE(GetObjectA(font, sizeof lf, &lf));
    EXPECT_STREQ(lf.lfFaceName, "MS Sans Serif");
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_EQ(lf.lfHeight, -std::lround(12 * 20 / tpp));

    struct Colour {
      Control control;
      COLORREF want;
    };
    for (const Colour& c :
         {Colour{Control::wrongPasswordNotice, RGB(255, 0, 0)}, Colour{Control::hideHint, RGB(0, 0, 192)}}) {
      HDC dc = CreateCompatibleDC(nullptr);
      SendMessageA(window.hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                   reinterpret_cast<LPARAM>(window.control(c.control)));
      EXPECT_EQ(GetTextColor(dc), c.want);
      DeleteDC(dc);
    }
  }
}

TEST(PasswordWindow, ShownInFrontWithThePasswordBoxFocused) {
  PasswordWindow* self = nullptr;
  Recorded rec;
  PasswordWindow window(GetModuleHandleA(nullptr), 15, 15, recordingKeys(rec, self));
  self = &window;
  window.load();
  EXPECT_FALSE(IsWindowVisible(window.hwnd())) << "loading does not show it";
  window.setVisible(true);
  pump();
  EXPECT_TRUE(IsWindowVisible(window.hwnd()));
  EXPECT_EQ(GetFocus(), window.control(Control::passwordBox));

  // Tab moves to the note box and back.
  SendMessageA(window.control(Control::passwordBox), WM_KEYDOWN, VK_TAB, 0);
  EXPECT_EQ(GetFocus(), window.control(Control::notesBox));
  SendMessageA(window.control(Control::notesBox), WM_KEYDOWN, VK_TAB, 0);
  EXPECT_EQ(GetFocus(), window.control(Control::passwordBox));

  window.setVisible(false);
  EXPECT_FALSE(IsWindowVisible(window.hwnd()));
  // Shown again, the password box has the focus even if the note had it.
  window.setVisible(true);
  pump();
  SetFocus(window.control(Control::notesBox));
  window.setVisible(false);
  window.setVisible(true);
  EXPECT_EQ(GetFocus(), window.control(Control::passwordBox));
}

TEST(PasswordWindow, HandlersSeeEachCharacterBeforeTheBoxTakesIt) {
  PasswordWindow* self = nullptr;
  Recorded rec;
  PasswordWindow window(GetModuleHandleA(nullptr), 15, 15, recordingKeys(rec, self));
  self = &window;
  window.load();
  HWND password = window.control(Control::passwordBox);
  HWND notes = window.control(Control::notesBox);

  for (char c : std::string("ab\r")) SendMessageA(password, WM_CHAR, static_cast<unsigned char>(c), 1);
  EXPECT_EQ(rec.passwordChars, (std::vector<int>{'a', 'b', 13}));
  EXPECT_EQ(rec.passwordTextSeen, (std::vector<std::string>{"", "a", "ab"}));
  EXPECT_EQ(window.passwordText(), "ab") << "Enter goes into no single-line box";

  SendMessageA(notes, EM_SETSEL, 3, 3);  // after the initial blank and line break
  for (char c : std::string("x\r")) SendMessageA(notes, WM_CHAR, static_cast<unsigned char>(c), 1);
  EXPECT_EQ(rec.notesChars, (std::vector<int>{'x', 13}));
  EXPECT_EQ(textOf(notes), " \r\nx\r\n") << "Enter in the note box also starts a new line";
  EXPECT_EQ(rec.passwordChars.size(), 3u) << "note keys do not reach the password handler";

  // Closing by the frame only reports; the window stays for the next showing.
  SendMessageA(window.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_EQ(rec.closes, 1);
  EXPECT_TRUE(IsWindow(window.hwnd()));
}

}  // namespace
}  // namespace lumova::password
