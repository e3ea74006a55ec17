// The real dialog under Wine: its controls, their texts and kinds, the keys
// the dialog manager gives them, and the way from a real control to the
// model's reaction.
#include <windows.h>

#include <commctrl.h>
#include <dlgs.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/gdi_win32.h"
#include "picture/wic_loader_win32.h"
#include "dialog/thumbnail_win32.h"
#include "dialog/dialog_window_win32.h"
#include "dialog/dialog_window_ids_win32.h"
#include "dialog/tests/recording_host.h"
#include "dialog/tests/sample_ini.h"
#include "tests/fakes/fake_folders.h"
#include "tests/support/dib_surface_win32.h"

namespace lumova::dialog {
namespace {

using settings::Key;
using testing::kIniPath;
using Strings = std::vector<std::string>;

const char* const kIni = testing::kSampleIni;

std::wstring windowText(HWND h) {
  wchar_t buffer[512] = {};
  GetWindowTextW(h, buffer, 512);
  return buffer;
}

std::wstring className(HWND h) {
  wchar_t buffer[128] = {};
  GetClassNameW(h, buffer, 128);
  return buffer;
}

std::string narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

// The tool tip window that `owner` owns.
struct ToolTipSearch {
  HWND owner;
  HWND found = nullptr;
};
BOOL CALLBACK visitToolTips(HWND h, LPARAM lp) {
  auto* search = reinterpret_cast<ToolTipSearch*>(lp);
  if (GetWindow(h, GW_OWNER) != search->owner || _wcsicmp(className(h).c_str(), TOOLTIPS_CLASSW) != 0) return TRUE;
  search->found = h;
  return FALSE;
}
HWND toolTipsOf(HWND owner) {
  ToolTipSearch search{owner};
  EnumThreadWindows(GetCurrentThreadId(), visitToolTips, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Pictures by path, and one path whose loading fails in a way the dialog
// does not expect.
class Pictures : public fakes::FakePictures {
 public:
  using FakePictures::load;
  std::string failing;
  PictureLoad load(const PictureRequest& request) override {
    if (!failing.empty() && request.path == failing) throw std::runtime_error("the decoder broke down");
    return FakePictures::load(request);
  }
};

struct Shown {
  std::string text;
  bool dialogVisible;
  MessageKind kind = MessageKind::Exclamation;
  HWND owner = nullptr;
};

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
  }
  void TearDown() override {
    window.reset();
    pump();
  }

  void open(const std::string& ini = kIni) {
    files.files[kIniPath] = ini;
    store = std::make_unique<settings::SettingsStore>(files, kIniPath);
    pictures.sizes["C:\\Pics\\a.jpg"] = {640, 480};
    pictures.sizes["C:\\Pics\\b.gif"] = {100, 80};
    window = std::make_unique<DialogWindow>(
        GetModuleHandleW(nullptr), *store, pictures, [this](HWND owner, const std::string& text, MessageKind kind) {
          shown.push_back({text, window && window->hwnd() && IsWindowVisible(window->hwnd()), kind, owner});
          return kind == MessageKind::YesNoExclamation ? (answerYes ? MessageAnswer::Yes : MessageAnswer::No)
                                                       : MessageAnswer::Ok;
        });
    ASSERT_TRUE(window->create());
  }

  // Runs what is queued through the dialog's own key handling.
  void pump() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (!window || !window->translate(m)) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
      }
    }
  }

  HWND item(Control c) const { return window->item(c); }
  HWND tab() const { return GetDlgItem(window->hwnd(), IDC_TABS); }
  // The page of each tab, as the parent of a control on it.
  HWND page(int index) const {
    const Control onPage[kTabCount] = {Control::pictureList, Control::backgroundChoice, Control::protectionCheck};
    return GetParent(item(onPage[index]));
  }
  HWND label(int page, int id) const { return GetDlgItem(this->page(page), id); }
  const SettingsDialog& model() const { return window->model(); }

  fakes::MemoryFileStore files;
  std::unique_ptr<settings::SettingsStore> store;
  Pictures pictures;
  std::vector<Shown> shown;
  bool answerYes = false;
  std::unique_ptr<DialogWindow> window;
};

TEST_F(DialogTest, CaptionTabsAndStatusBar) {
  open();
  EXPECT_EQ(windowText(window->hwnd()), L" Lumova Screen Saver");
  HWND tab = this->tab();
  EXPECT_EQ(className(tab), WC_TABCONTROLW);
  ASSERT_EQ(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0), 3);
  const wchar_t* labels[] = {L"Image Files", L"Background/Transitions", L"Password Protection"};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    wchar_t text[64] = {};
    TCITEMW tci{};
    tci.mask = TCIF_TEXT;
    tci.pszText = text;
    tci.cchTextMax = 64;
    SendMessageW(tab, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&tci));
    EXPECT_STREQ(text, labels[i]);
  }

  HWND status = GetDlgItem(window->hwnd(), IDC_STATUSBAR);
  EXPECT_EQ(className(status), STATUSCLASSNAMEW);
  ASSERT_EQ(SendMessageW(status, SB_GETPARTS, 0, 0), 3);
  wchar_t text[128] = {};
  SendMessageW(status, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_GT(wcslen(text), 0u);
  SendMessageW(status, SB_GETTEXTW, 1, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, L"Lumova version 2.2");
  // The time of day, as the user's locale writes it; the minute may turn
  // between the two readings.
  wchar_t before[64] = {}, after[64] = {};
  GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, nullptr, nullptr, before, 64);
  SendMessageW(status, SB_GETTEXTW, 2, reinterpret_cast<LPARAM>(text));
  GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, nullptr, nullptr, after, 64);
  EXPECT_TRUE(wcscmp(text, before) == 0 || wcscmp(text, after) == 0) << narrow(text);

  // The status bar sits below the buttons, inside the window.
  RECT bar{}, ok{};
  GetWindowRect(status, &bar);
  GetWindowRect(GetDlgItem(window->hwnd(), IDOK), &ok);
  EXPECT_GE(bar.top, ok.bottom);
}

TEST_F(DialogTest, ControlsHaveTheirKindsAndCaptions) {
  open();
  struct Row {
    HWND hwnd;
    const wchar_t* cls;
    const wchar_t* caption;  // null: not checked
  };
  const Row rows[] = {
      {item(Control::pictureList), L"ListBox", nullptr},
      {label(0, IDC_PICTURE_LIST_LABEL), L"Static", L"Loaded Image(s)"},
      {item(Control::pictureCount), L"Edit", nullptr},
      {label(0, IDC_PICTURE_COUNT_LABEL), L"Static", L"Total"},
      {item(Control::addButton), L"Button", L"&Add"},
      {item(Control::removeButton), L"Button", L"&Remove"},
      {item(Control::removeAllButton), L"Button", L"R&emove All"},
      {label(0, IDC_FOLDER_LIST_LABEL), L"Static", L"Folders:"},
      {item(Control::folderList), L"ListBox", nullptr},
      {item(Control::addFolderButton), L"Button", L"Add Fo&lder..."},
      {item(Control::removeFolderButton), L"Button", L"Remo&ve Folder"},
      {item(Control::captionText), L"Edit", nullptr},
      {label(0, IDC_CAPTION_LABEL), L"Static", L"Image Caption"},
      {item(Control::clearCaptionButton), L"Button", L"&Clear"},
      {item(Control::fontButton), L"Button", L"&Font Style"},
      {item(Control::fontColourSwatch), L"Static", nullptr},
      {label(0, IDC_FONT_COLOUR_LABEL), L"Static", L"Font Color"},
      {item(Control::thumbnailBox), L"Static", nullptr},
      {label(0, IDC_AUTO_CAPTION_LABEL), L"Static", L"Caption pictures without one:"},
      {item(Control::autoCaptionChoice), L"ComboBox", nullptr},
      {label(1, IDC_BACKGROUND_FRAME), L"Button", L"Background "},
      {item(Control::backgroundChoice), L"ComboBox", nullptr},
      {item(Control::backColourButton), L"Button", L"&Choose color..."},
      {item(Control::backColourSwatch), L"Static", nullptr},
      {label(1, IDC_BACK_COLOUR_LABEL), L"Static", L"Background Color"},
      {label(1, IDC_MOVEMENT_FRAME), L"Button", L"Movement"},
      {item(Control::centredOption), L"Button", L"&Center"},
      {item(Control::floatingOption), L"Button", L"&Float"},
      {item(Control::panZoomOption), L"Button", L"&Pan and zoom"},
      {item(Control::floatSpeed), TRACKBAR_CLASSW, nullptr},
      {item(Control::floatSpeedLabel), L"Static", L"Float Speed"},
      {label(1, IDC_CHANGE_FRAME), L"Button", L"Change Image"},
      {item(Control::changeAfterOption), L"Button", L"&After..."},
      {item(Control::changeNeverOption), L"Button", L"&Never"},
      {item(Control::intervalSeconds), L"Edit", nullptr},
      {item(Control::intervalSpin), UPDOWN_CLASSW, nullptr},
      {item(Control::secondsLabel), L"Static", L"Seconds"},
      {item(Control::randomOrderCheck), L"Button", L"Random Order"},
      {item(Control::shuffleCheck), L"Button", L"Show every picture once before &repeating"},
      {label(1, IDC_TRANSITIONS_FRAME), L"Button", L"Transitions"},
      {item(Control::transitionChoice), L"ComboBox", nullptr},
      {item(Control::randomTransitionsCheck), L"Button", L"Random Transitions"},
      {item(Control::fitPicturesCheck), L"Button", L"Shrink large pictures to fit the &screen"},
      {item(Control::allMonitorsCheck), L"Button", L"Show pictures on every &monitor"},
      {item(Control::protectionCheck), L"Button", L"Enabled"},
      {label(2, IDC_PASSWORD_LABEL), L"Static", L"Password"},
      {item(Control::passwordText), L"Edit", nullptr},
      {label(2, IDC_CONFIRM_LABEL), L"Static", L"Confirm"},
      {item(Control::confirmText), L"Edit", nullptr},
      {item(Control::okButton), L"Button", L"&OK"},
      {item(Control::cancelButton), L"Button", L"&Cancel"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(narrow(r.cls) + " " + (r.caption ? narrow(r.caption) : ""));
    ASSERT_NE(r.hwnd, nullptr);
    EXPECT_EQ(_wcsicmp(className(r.hwnd).c_str(), r.cls), 0) << narrow(className(r.hwnd));
    if (r.caption) {
      EXPECT_EQ(windowText(r.hwnd), r.caption);
    }
  }

  auto buttonType = [](HWND h) { return GetWindowLongPtrW(h, GWL_STYLE) & BS_TYPEMASK; };
  for (auto c :
       {Control::centredOption, Control::floatingOption, Control::changeAfterOption, Control::changeNeverOption})
    EXPECT_EQ(buttonType(item(c)), BS_AUTORADIOBUTTON) << controlName(c);
  for (auto c : {Control::randomOrderCheck, Control::randomTransitionsCheck, Control::fitPicturesCheck,
                 Control::allMonitorsCheck, Control::protectionCheck, Control::shuffleCheck})
    EXPECT_EQ(buttonType(item(c)), BS_AUTOCHECKBOX) << controlName(c);
  EXPECT_EQ(LOWORD(SendMessageW(window->hwnd(), DM_GETDEFID, 0, 0)), IDOK);

  for (auto box : {Control::passwordText, Control::confirmText}) {
    SCOPED_TRACE(std::string(controlName(box)));
    EXPECT_NE(GetWindowLongPtrW(item(box), GWL_STYLE) & ES_PASSWORD, 0);
    EXPECT_EQ(SendMessageW(item(box), EM_GETPASSWORDCHAR, 0, 0), L'*');
  }

  struct ComboRow {
    Control combo;
    Strings items;
  };
  const ComboRow combos[] = {
      {Control::backgroundChoice, {"Background Color (below)", "Desktop"}},
      {Control::transitionChoice,
       {"Standard", "Left wipe", "Right wipe", "Right & Left wipe", "Up & down wipe", "Center wipe",
        "Horizontal blinds", "Vertical blinds", "Crossfade"}},
      {Control::autoCaptionChoice, {"Nothing", "File name", "Date taken"}},
  };
  for (const ComboRow& r : combos) {
    SCOPED_TRACE(std::string(controlName(r.combo)));
    HWND h = item(r.combo);
    EXPECT_EQ(GetWindowLongPtrW(h, GWL_STYLE) & 3, CBS_DROPDOWNLIST);
    Strings got;
    for (LRESULT i = 0; i < SendMessageW(h, CB_GETCOUNT, 0, 0); ++i) {
      char text[64] = {};
      SendMessageA(h, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
      got.push_back(text);
    }
    EXPECT_EQ(got, r.items);
  }

  EXPECT_EQ(SendMessageW(item(Control::floatSpeed), TBM_GETRANGEMIN, 0, 0), 0);
  EXPECT_EQ(SendMessageW(item(Control::floatSpeed), TBM_GETRANGEMAX, 0, 0), 5);
  EXPECT_EQ(reinterpret_cast<HWND>(SendMessageW(item(Control::intervalSpin), UDM_GETBUDDY, 0, 0)),
            item(Control::intervalSeconds));

  // The thumbnail box draws on 3375 x 1815 twips.
  RECT box{};
  GetClientRect(item(Control::thumbnailBox), &box);
  EXPECT_EQ(box.right, MulDiv(3375, 1, 15));
  EXPECT_EQ(box.bottom, MulDiv(1815, 1, 15));
}

TEST_F(DialogTest, ToolTips) {
  open();
  struct Row {
    Control control;
    const wchar_t* tip;
  };
  const Row rows[] = {
      {Control::pictureList, L"Loaded image(s)"},
      {Control::pictureCount, L"Image amount"},
      {Control::addButton, L"Load an image"},
      {Control::addFolderButton, L"Show the pictures of a folder, kept up to date"},
      {Control::folderList, L"Folders whose pictures are shown"},
      {Control::removeFolderButton, L"Remove the selected folder"},
      {Control::removeButton, L"Remove an image"},
      {Control::removeAllButton, L"Remove all images"},
      {Control::captionText, L"Image caption"},
      {Control::clearCaptionButton, L"Clear caption"},
      {Control::fontButton, L"Font type, color and size"},
      {Control::fontColourSwatch, L"Font color"},
      {Control::thumbnailBox, L"Thumbnail preview"},
      {Control::backgroundChoice, L"Background"},
      {Control::backColourButton, L"Background color"},
      {Control::backColourSwatch, L"Background color"},
      {Control::panZoomOption, L"Move slowly across each picture"},
      {Control::floatSpeed, L"Float speed of image"},
      {Control::randomOrderCheck, L"Display images in random order"},
      {Control::transitionChoice, L"Transitions"},
      {Control::randomTransitionsCheck, L"Display Transitions at Random"},
      {Control::fitPicturesCheck, L"Show large pictures whole"},
      {Control::allMonitorsCheck, L"Use every monitor"},
      {Control::shuffleCheck, L"Shuffle without repeats"},
  };
  HWND tips = toolTipsOf(window->hwnd());
  ASSERT_NE(tips, nullptr);
  EXPECT_EQ(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0), static_cast<LRESULT>(std::size(rows)));
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(controlName(r.control)));
    wchar_t text[128] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = GetParent(item(r.control));
    tool.uId = reinterpret_cast<UINT_PTR>(item(r.control));
    tool.lpszText = text;
    SendMessageW(tips, TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(text, r.tip);
  }
}

TEST_F(DialogTest, ControlsShowTheStartUpState) {
  open();
  HWND list = item(Control::pictureList);
  ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 2);
  char path[MAX_PATH] = {};
  SendMessageA(list, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(path));
  EXPECT_STREQ(path, "C:\\Pics\\b.gif");
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(windowText(item(Control::captionText)), L"First");
  EXPECT_EQ(windowText(item(Control::pictureCount)), L"2");
  EXPECT_EQ(SendMessageW(item(Control::backgroundChoice), CB_GETCURSEL, 0, 0), 1);
  EXPECT_FALSE(IsWindowEnabled(item(Control::backColourButton)));
  EXPECT_EQ(SendMessageW(item(Control::floatingOption), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(item(Control::centredOption), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageW(item(Control::floatSpeed), TBM_GETPOS, 0, 0), 3);
  EXPECT_EQ(SendMessageW(item(Control::changeAfterOption), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(windowText(item(Control::intervalSeconds)), L"25");
  EXPECT_EQ(SendMessageW(item(Control::intervalSpin), UDM_GETPOS32, 0, 0), 25);
  EXPECT_EQ(SendMessageW(item(Control::randomOrderCheck), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(item(Control::transitionChoice), CB_GETCURSEL, 0, 0), 4);
  EXPECT_EQ(SendMessageW(item(Control::protectionCheck), BM_GETCHECK, 0, 0), BST_CHECKED);
  // The file is older than the fit and monitor options.
  EXPECT_EQ(SendMessageW(item(Control::fitPicturesCheck), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageW(item(Control::allMonitorsCheck), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(windowText(item(Control::passwordText)), L"Secret");
  EXPECT_EQ(windowText(item(Control::confirmText)), L"Secret");
  EXPECT_TRUE(IsWindowEnabled(item(Control::passwordText)));
  // Opens on the first tab, and nothing is on the screen until show().
  EXPECT_EQ(window->currentTab(), 0);
  EXPECT_FALSE(IsWindowVisible(window->hwnd()));
}

TEST_F(DialogTest, MissingFirstPictureIsReportedBeforeTheDialogAppears) {
  std::string ini = kIni;
  ini.replace(ini.find("C:\\Pics\\a.jpg"), 13, "C:\\Gone\\x.jpg");
  open(ini);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "Image file not found.\r\nYou need to reload a new one.");
  EXPECT_FALSE(shown[0].dialogVisible);
  EXPECT_EQ(SendMessageW(item(Control::pictureList), LB_GETCOUNT, 0, 0), 2);
}

TEST_F(DialogTest, RealControlsReachTheReactions) {
  open();
  window->show();
  pump();
  // A click on "Never".
  SendMessageW(item(Control::changeNeverOption), BM_CLICK, 0, 0);
  EXPECT_EQ(model().value(Key::picChange), "not_ch");
  EXPECT_EQ(model().value(Key::timeInterval), "0");
  EXPECT_FALSE(IsWindowEnabled(item(Control::intervalSeconds)));
  EXPECT_FALSE(IsWindowEnabled(item(Control::secondsLabel)));
  EXPECT_FALSE(IsWindowEnabled(item(Control::intervalSpin)));
  EXPECT_EQ(SendMessageW(item(Control::randomOrderCheck), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageW(item(Control::changeAfterOption), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(model().value(Key::randomPick), "0");

  // "After..." again, then the spin control's up arrow, clicked.
  SendMessageW(item(Control::changeAfterOption), BM_CLICK, 0, 0);
  HWND spin = item(Control::intervalSpin);
  RECT r{};
  GetClientRect(spin, &r);
  SendMessageW(spin, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.right / 2, 1));
  SendMessageW(spin, WM_LBUTTONUP, 0, MAKELPARAM(r.right / 2, 1));
  EXPECT_EQ(model().value(Key::timeInterval), "26");
  EXPECT_EQ(windowText(item(Control::intervalSeconds)), L"26");

  // Keys on the list, the transition box and the slider.
  SendMessageW(item(Control::pictureList), WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(model().control(Control::pictureList).value, 1);
  EXPECT_EQ(windowText(item(Control::captionText)), L"Second");
  SendMessageW(item(Control::transitionChoice), WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(model().value(Key::effectMode), "5");
  SendMessageW(item(Control::floatSpeed), WM_KEYDOWN, VK_RIGHT, 0);
  EXPECT_EQ(model().value(Key::picSpeed), "4");

  // Typing, and ticking boxes.
  SendMessageW(item(Control::confirmText), EM_SETSEL, 0, -1);
  SendMessageW(item(Control::confirmText), WM_CHAR, 'x', 0);
  EXPECT_EQ(model().confirmPassword(), "x");
  SendMessageW(item(Control::randomTransitionsCheck), BM_CLICK, 0, 0);
  EXPECT_EQ(model().value(Key::randomEffect), "1");
  EXPECT_FALSE(IsWindowEnabled(item(Control::transitionChoice)));
  SendMessageW(item(Control::fitPicturesCheck), BM_CLICK, 0, 0);
  EXPECT_EQ(model().value(Key::picFit), "1");
  SendMessageW(item(Control::allMonitorsCheck), BM_CLICK, 0, 0);
  EXPECT_EQ(model().value(Key::allMonitors), "1");
  SendMessageW(item(Control::protectionCheck), BM_CLICK, 0, 0);
  EXPECT_EQ(model().value(Key::saverEnabled), "0");
  EXPECT_FALSE(IsWindowEnabled(item(Control::passwordText)));
  SendMessageW(item(Control::backgroundChoice), WM_KEYDOWN, VK_UP, 0);
  EXPECT_EQ(model().value(Key::backEffect), "0");
  EXPECT_TRUE(IsWindowEnabled(item(Control::backColourButton)));
  EXPECT_TRUE(shown.empty());
}

TEST_F(DialogTest, AnUnexpectedErrorIsReportedOnceAndTheDialogCarriesOn) {
  open();
  window->show();
  pump();
  pictures.failing = "C:\\Pics\\b.gif";
  SendMessageW(item(Control::pictureList), WM_KEYDOWN, VK_DOWN, 0);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "An unexpected error occurred.");
  EXPECT_EQ(shown[0].kind, MessageKind::Exclamation);
  EXPECT_EQ(shown[0].owner, window->hwnd());
  EXPECT_TRUE(window->isOpen());

  // The dialog still answers, and the next picture loads again.
  pictures.failing.clear();
  SendMessageW(item(Control::changeNeverOption), BM_CLICK, 0, 0);
  EXPECT_EQ(model().value(Key::picChange), "not_ch");
  SendMessageW(item(Control::pictureList), WM_KEYDOWN, VK_UP, 0);
  EXPECT_EQ(windowText(item(Control::captionText)), L"First");
  EXPECT_EQ(shown.size(), 1u);
}

TEST_F(DialogTest, TabOrderFollowsTheLayout) {
  // Everything enabled: plain background, after an interval.
  std::string ini = kIni;
  ini.replace(ini.find("backEffect=1"), 12, "backEffect=0");
  open(ini);
  window->show();
  pump();
  struct Row {
    int tab;
    std::vector<Control> order;  // after the tab strip, before OK
  };
  const Row rows[] = {
      {0,
       {Control::pictureList, Control::addButton, Control::removeButton, Control::removeAllButton, Control::folderList,
        Control::addFolderButton, Control::removeFolderButton, Control::captionText, Control::clearCaptionButton,
        Control::fontButton, Control::autoCaptionChoice}},
      {1,
       {Control::backgroundChoice, Control::backColourButton, Control::floatingOption, Control::floatSpeed,
        Control::changeAfterOption, Control::intervalSeconds, Control::randomOrderCheck, Control::shuffleCheck,
        Control::transitionChoice, Control::randomTransitionsCheck, Control::fitPicturesCheck,
        Control::allMonitorsCheck}},
      {2, {Control::protectionCheck, Control::passwordText, Control::confirmText}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.tab);
    window->selectTab(r.tab);
    std::vector<HWND> expected{tab()};
    for (auto c : r.order) expected.push_back(item(c));
    expected.push_back(item(Control::okButton));
    expected.push_back(item(Control::cancelButton));
    expected.push_back(tab());
    HWND at = tab();
    for (std::size_t i = 1; i < expected.size(); ++i) {
      SCOPED_TRACE(i);
      at = GetNextDlgTabItem(window->hwnd(), at, FALSE);
      EXPECT_EQ(at, expected[i]);
    }
  }
}

TEST_F(DialogTest, AccessKeysAndTabKeys) {
  open();
  window->show();
  pump();

  // Ctrl+Tab moves to the next tab.
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  BYTE withControl[256];
  std::copy(std::begin(keys), std::end(keys), withControl);
  withControl[VK_CONTROL] = 0x80;
  SetKeyboardState(withControl);
  PostMessageW(tab(), WM_KEYDOWN, VK_TAB, 0);
  pump();
  SetKeyboardState(keys);
  EXPECT_EQ(window->currentTab(), 1);
  EXPECT_TRUE(IsWindowVisible(page(1)));
  EXPECT_FALSE(IsWindowVisible(page(0)));

  // Alt+N chooses "Never" on the tab in front.
  PostMessageW(tab(), WM_SYSCHAR, 'n', 1 << 29);
  pump();
  EXPECT_EQ(SendMessageW(item(Control::changeNeverOption), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(model().value(Key::picChange), "not_ch");

  // Alt+F is "Float" here; "Font Style" is on a hidden page.
  window->model().setValue(Control::centredOption, 1);
  PostMessageW(tab(), WM_SYSCHAR, 'f', 1 << 29);
  pump();
  EXPECT_EQ(model().value(Key::picRandom), "rand");
}

TEST_F(DialogTest, EnterSavesAndEscapeCancels) {
  struct Row {
    WPARAM key;
    int saves;
  };
  for (const Row& r : {Row{VK_RETURN, 1}, Row{VK_ESCAPE, 0}}) {
    SCOPED_TRACE(r.key);
    files = {};
    open();
    window->show();
    pump();
    window->model().setValue(Control::intervalSpin, 40);
    PostMessageW(item(Control::pictureList), WM_KEYDOWN, r.key, 0);
    pump();
    EXPECT_FALSE(window->isOpen());
    EXPECT_EQ(files.saves, r.saves);
    window.reset();
  }
}

TEST_F(DialogTest, ClosingByTheFrameWritesNothing) {
  open();
  window->show();
  window->model().setValue(Control::intervalSpin, 40);
  SendMessageW(window->hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
  pump();
  EXPECT_FALSE(window->isOpen());
  EXPECT_EQ(files.saves, 0);
  EXPECT_EQ(files.files[kIniPath], kIni);
}

TEST_F(DialogTest, AClosingSessionIsACancel) {
  open();
  window->show();
  window->model().setValue(Control::intervalSpin, 40);
  EXPECT_TRUE(SendMessageW(window->hwnd(), WM_QUERYENDSESSION, 0, 0));
  SendMessageW(window->hwnd(), WM_ENDSESSION, TRUE, 0);
  pump();
  EXPECT_FALSE(window->isOpen());
  EXPECT_EQ(files.saves, 0);
}

TEST_F(DialogTest, SpinStepsOneAtATimeAndBoxesHoldWhatTheFileGivesBack) {
  open();
  window->show();
  pump();
  HWND spin = item(Control::intervalSpin);
  UDACCEL accel[4]{};
  ASSERT_EQ(SendMessageW(spin, UDM_GETACCEL, 4, reinterpret_cast<LPARAM>(accel)), 1);
  EXPECT_EQ(accel[0].nInc, 1u);
  // A held arrow that asks for a bigger step still moves one.
  const int before = model().control(Control::intervalSpin).value;
  NMUPDOWN step{};
  step.hdr = {spin, static_cast<UINT_PTR>(GetDlgCtrlID(spin)), static_cast<UINT>(UDN_DELTAPOS)};
  step.iPos = before;
  step.iDelta = 5;
  SendMessageW(GetParent(spin), WM_NOTIFY, step.hdr.idFrom, reinterpret_cast<LPARAM>(&step));
  EXPECT_EQ(model().control(Control::intervalSpin).value, before + 1);

  for (Control box : {Control::captionText, Control::passwordText, Control::confirmText})
    EXPECT_EQ(SendMessageW(item(box), EM_GETLIMITTEXT, 0, 0), 254);
  // Typing past the limit says why the box takes no more.
  SetFocus(item(Control::captionText));
  SetWindowTextW(item(Control::captionText), std::wstring(254, L'x').c_str());
  SendMessageW(item(Control::captionText), EM_SETSEL, 254, 254);
  shown.clear();
  SendMessageW(item(Control::captionText), WM_CHAR, 'y', 0);
  pump();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, kCaptionTooLong);
  EXPECT_EQ(model().control(Control::captionList).items[0], std::string(254, 'x'));
}

TEST_F(DialogTest, OkWithAnEmptyListStaysOpen) {
  std::string ini = kIni;
  ini.replace(ini.find("total=2"), 7, "total=0");
  open(ini);
  window->show();
  SendMessageW(item(Control::okButton), BM_CLICK, 0, 0);
  pump();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "You need to load at least one image file.");
  EXPECT_TRUE(shown[0].dialogVisible);
  EXPECT_TRUE(window->isOpen());
  EXPECT_EQ(files.saves, 0);
}

// The colours a box is painted in, as its page answers the box's colour
// message: background, and the brush that fills it.
struct BoxColours {
  COLORREF back;
  HBRUSH brush;
};
BoxColours boxColours(HWND page, HWND box, UINT message) {
  win32::WindowDc dc(box);
  const auto brush = reinterpret_cast<HBRUSH>(
      SendMessageW(page, message, reinterpret_cast<WPARAM>(dc.get()), reinterpret_cast<LPARAM>(box)));
  return {GetBkColor(dc.get()), brush};
}

TEST_F(DialogTest, UsableBoxesTakeTheWindowColourOthersTheLightThreeDColour) {
  open();
  window->show();
  pump();
  struct Row {
    const char* what;
    Control box;
    int page;
    UINT message;
    std::function<void(SettingsDialog&)> change;
    int colour;  // system colour index
  };
  const Row rows[] = {
      {"Never", Control::intervalSeconds, 1, WM_CTLCOLORSTATIC,
       [](SettingsDialog& m) { m.setValue(Control::changeNeverOption, 1); }, COLOR_3DLIGHT},
      {"After", Control::intervalSeconds, 1, WM_CTLCOLORSTATIC,
       [](SettingsDialog& m) { m.setValue(Control::changeAfterOption, 1); }, COLOR_WINDOW},
      {"random transitions", Control::transitionChoice, 1, WM_CTLCOLORLISTBOX,
       [](SettingsDialog& m) { m.setValue(Control::randomTransitionsCheck, 1); }, COLOR_3DLIGHT},
      {"chosen transition", Control::transitionChoice, 1, WM_CTLCOLORLISTBOX,
       [](SettingsDialog& m) { m.setValue(Control::randomTransitionsCheck, 0); }, COLOR_WINDOW},
      {"protection off", Control::passwordText, 2, WM_CTLCOLOREDIT,
       [](SettingsDialog& m) { m.setValue(Control::protectionCheck, 0); }, COLOR_3DLIGHT},
      {"protection off, confirm", Control::confirmText, 2, WM_CTLCOLOREDIT, [](SettingsDialog&) {}, COLOR_3DLIGHT},
      {"protection on", Control::confirmText, 2, WM_CTLCOLOREDIT,
       [](SettingsDialog& m) { m.setValue(Control::protectionCheck, 1); }, COLOR_WINDOW},
  };
  static_assert(COLOR_WINDOW == 5 && COLOR_3DLIGHT == 22);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    r.change(window->model());
    const BoxColours got = boxColours(page(r.page), item(r.box), r.message);
    EXPECT_EQ(got.back, GetSysColor(r.colour));
    // The system's own brush, which follows a change of colour scheme.
    EXPECT_EQ(got.brush, GetSysColorBrush(r.colour));
    EXPECT_EQ(IsWindowEnabled(item(r.box)) != FALSE, r.colour == COLOR_WINDOW);
  }
}

// Acts on the next common dialog this thread shows (a visible, enabled
// top-level dialog other than `except`), from inside the dialog's own modal
// loop; a thread timer runs there. One at a time.
class CommonDialogAnswer {
 public:
  CommonDialogAnswer(HWND except, std::function<void(HWND)> act) : except_(except), act_(std::move(act)) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 20, &CommonDialogAnswer::tick);
  }
  ~CommonDialogAnswer() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  CommonDialogAnswer(const CommonDialogAnswer&) = delete;
  CommonDialogAnswer& operator=(const CommonDialogAnswer&) = delete;

  bool answered = false;
  std::wstring title;

 private:
  static BOOL CALLBACK visit(HWND h, LPARAM lp) {
    auto* self = reinterpret_cast<CommonDialogAnswer*>(lp);
    if (h != self->except_ && className(h) == L"#32770" && IsWindowVisible(h) && IsWindowEnabled(h)) {
      self->found_ = h;
      return FALSE;
    }
    return TRUE;
  }
  static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
    CommonDialogAnswer* self = current_;
    if (!self || self->answered) return;
    self->found_ = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &CommonDialogAnswer::visit, reinterpret_cast<LPARAM>(self));
    if (!self->found_) return;
    self->answered = true;
    self->title = windowText(self->found_);
    self->act_(self->found_);
  }

  static inline CommonDialogAnswer* current_ = nullptr;
  HWND except_;
  std::function<void(HWND)> act_;
  UINT_PTR timer_ = 0;
  HWND found_ = nullptr;
};

void pressOk(HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDOK, 0); }

Strings comboItems(HWND combo) {
  Strings items;
  for (LRESULT i = 0; i < SendMessageA(combo, CB_GETCOUNT, 0, 0); ++i) {
    char text[256] = {};
    SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    items.push_back(text);
  }
  return items;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  text.replace(text.find(from), from.size(), to);
  return text;
}

TEST_F(DialogTest, AddTakesThePathChosenInTheFileOpenDialog) {
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  const std::string path = std::string(folder) + "lumova dialog test.bmp";
  { std::ofstream(path) << "BM"; }  // it must exist; the fake loader decodes it
  open();
  pictures.sizes[path] = {30, 20};
  window->show();
  pump();

  Strings types;
  int typeShown = -1;
  {
    CommonDialogAnswer answer(window->hwnd(), [&](HWND d) {
      types = comboItems(GetDlgItem(d, cmb1));
      typeShown = static_cast<int>(SendMessageW(GetDlgItem(d, cmb1), CB_GETCURSEL, 0, 0));
      SetDlgItemTextA(d, cmb13, path.c_str());
      pressOk(d);
    });
    SendMessageW(item(Control::addButton), BM_CLICK, 0, 0);
    ASSERT_TRUE(answer.answered);
    EXPECT_EQ(answer.title, L"Select a file to open");
  }
  // The specified list first and preselected, then every type the installed
  // decoders open (Wine's include PNG and TIFF).
  EXPECT_EQ(Strings(types.begin(), types.end() - 1),
            (Strings{"Image files (*.gif;*.jpg;*.bmp)", "CompuServe Files (*.gif)", "Jpeg Files (*.jpg)",
                     "Jif files (*.jif)", "Windows Bitmap Files (*.bmp)", "Windows DIB files (*.dib)"}));
  EXPECT_EQ(types.back(), "All pictures");
  EXPECT_EQ(typeShown, 0);
  const std::vector<std::string> all = window->pictureExtensions();
  for (const char* ext : {".gif", ".jif", ".png", ".tiff", ".jpeg", ".dib"})
    EXPECT_NE(std::find(all.begin(), all.end(), ext), all.end()) << ext;

  HWND list = item(Control::pictureList);
  ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 3);
  char got[MAX_PATH] = {};
  SendMessageA(list, LB_GETTEXT, 2, reinterpret_cast<LPARAM>(got));
  EXPECT_EQ(_stricmp(got, path.c_str()), 0) << got;
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(windowText(item(Control::pictureCount)), L"3");
  EXPECT_EQ(windowText(item(Control::captionText)), L"");
  EXPECT_TRUE(shown.empty());

  // Cancelled: the message, and nothing added.
  {
    CommonDialogAnswer answer(window->hwnd(), [](HWND d) { PostMessageW(d, WM_COMMAND, IDCANCEL, 0); });
    SendMessageW(item(Control::addButton), BM_CLICK, 0, 0);
    ASSERT_TRUE(answer.answered);
  }
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "No file has been selected.");
  EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 3);
  DeleteFileA(path.c_str());
}

// A folder of this test's own under the temporary folder, without the
// trailing "\"; made empty.
std::string freshTempFolder(const std::string& name) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  std::string folder = std::string(temp) + name;
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

TEST_F(DialogTest, AddTakesSeveralFilesInTheOrderPicked) {
  const std::string folder = freshTempFolder("lumova multi");
  for (const char* name : {"one.bmp", "two.bmp", "three.bmp"}) {
    std::ofstream(folder + "\\" + name) << "BM";
  }
  open();
  for (const char* name : {"one.bmp", "two.bmp", "three.bmp"}) pictures.sizes[folder + "\\" + name] = {30, 20};
  window->show();
  pump();
  {
    CommonDialogAnswer answer(window->hwnd(), [&](HWND d) {
      // Into the folder first, then the names, quoted, as a user types them.
      SetDlgItemTextA(d, cmb13, folder.c_str());
      SendMessageW(d, WM_COMMAND, IDOK, 0);
      SetDlgItemTextA(d, cmb13, "\"three.bmp\" \"one.bmp\" \"two.bmp\"");
      pressOk(d);
    });
    SendMessageW(item(Control::addButton), BM_CLICK, 0, 0);
    ASSERT_TRUE(answer.answered);
  }
  const auto& items = model().control(Control::pictureList).items;
  ASSERT_EQ(items.size(), 5u);
  EXPECT_EQ(_stricmp(items[2].c_str(), (folder + "\\three.bmp").c_str()), 0) << items[2];
  EXPECT_EQ(_stricmp(items[3].c_str(), (folder + "\\one.bmp").c_str()), 0) << items[3];
  EXPECT_EQ(_stricmp(items[4].c_str(), (folder + "\\two.bmp").c_str()), 0) << items[4];
  EXPECT_EQ(SendMessageW(item(Control::pictureList), LB_GETCOUNT, 0, 0), 5);
  EXPECT_EQ(SendMessageW(item(Control::pictureList), LB_GETCURSEL, 0, 0), 4);
  EXPECT_EQ(windowText(item(Control::pictureCount)), L"5");
  EXPECT_TRUE(shown.empty());
  for (const char* name : {"one.bmp", "two.bmp", "three.bmp"}) DeleteFileA((folder + "\\" + name).c_str());
  RemoveDirectoryA(folder.c_str());
}

TEST_F(DialogTest, AddFolderListsTheFolderAndCountsItOnAWorkerThatCancelStops) {
  const std::string folder = freshTempFolder("lumova folder");
  const std::string slow = freshTempFolder("lumova slow");
  open();
  // A folder that takes long to list: the dialog must answer meanwhile.
  struct SlowFolders : fakes::FakeFolders {
    std::atomic<bool> release{false};
    std::atomic<DWORD> thread{0};
    std::optional<std::vector<FolderEntry>> list(const std::string& at) override {
      thread = GetCurrentThreadId();
      if (at.find("slow") != std::string::npos)
        for (int i = 0; i < 20000 && !release; ++i) Sleep(1);
      return FakeFolders::list(at);
    }
  } tree;
  for (int i = 0; i < 10000; ++i) tree.folders[folder].push_back({"p" + std::to_string(10000 + i) + ".jpg"});
  tree.addFile(slow + "\\a.jpg");
  pictures.sizes[folder + "\\p10000.jpg"] = {64, 48};
  window->useFolders(tree);
  window->show();
  pump();
  {
    CommonDialogAnswer answer(window->hwnd(), [&](HWND d) {
      SetDlgItemTextA(d, edt1, folder.c_str());
      pressOk(d);
    });
    SendMessageW(item(Control::addFolderButton), BM_CLICK, 0, 0);
    ASSERT_TRUE(answer.answered);
    EXPECT_EQ(answer.title, L"Select a folder of pictures");
  }
  HWND list = item(Control::folderList);
  ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 1);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(SendMessageW(item(Control::pictureList), LB_GETCOUNT, 0, 0), 2);  // the pictures stay in the folder
  // Counted off the dialog's thread; the count and the first picture's
  // thumbnail come back to it.
  const auto until = [&](const std::function<bool()>& done) {
    for (int i = 0; i < 2000 && !done(); ++i) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
      pump();
    }
    return done();
  };
  ASSERT_TRUE(until([&] {
    return model().control(Control::folderList).items[0].find("10,000 pictures") != std::string::npos;
  })) << model().control(Control::folderList).items[0];
  EXPECT_NE(tree.thread.load(), GetCurrentThreadId());
  ASSERT_TRUE(model().thumbnail().has_value());
  EXPECT_EQ(pictures.loaded.back(), folder + "\\p10000.jpg");

  // A slow folder: the dialog answers while it is counted, and Cancel ends
  // the dialog at once.
  window->model().setListIndex(Control::folderList, -1);
  {
    CommonDialogAnswer answer(window->hwnd(), [&](HWND d) {
      SetDlgItemTextA(d, edt1, slow.c_str());
      pressOk(d);
    });
    SendMessageW(item(Control::addFolderButton), BM_CLICK, 0, 0);
  }
  ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(_stricmp(model().control(Control::folderList).items[1].c_str(), slow.c_str()), 0);  // still being counted
  SendMessageW(item(Control::removeFolderButton), BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 1);
  const DWORD before = GetTickCount();
  SendMessageW(item(Control::cancelButton), BM_CLICK, 0, 0);
  EXPECT_FALSE(window->isOpen());
  EXPECT_LT(GetTickCount() - before, 5000u) << "a generous bound";
  tree.release = true;
  window.reset();
  EXPECT_TRUE(shown.empty());
  RemoveDirectoryA(folder.c_str());
  RemoveDirectoryA(slow.c_str());
}

// Controls of one page never overlap one another (frames aside, which
// hold them, and the spin control, which sits on its box's edge), and all of
// them lie within the page.
BOOL CALLBACK collectChild(HWND h, LPARAM lp) {
  reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
  return TRUE;
}

TEST_F(DialogTest, NoControlsOverlapAndAllFitTheirPage) {
  open();
  for (int p = 0; p < kTabCount; ++p) {
    SCOPED_TRACE(p);
    std::vector<HWND> children;
    EnumChildWindows(page(p), collectChild, reinterpret_cast<LPARAM>(&children));
    RECT pageRect{};
    GetWindowRect(page(p), &pageRect);
    std::vector<std::pair<HWND, RECT>> placed;
    std::vector<RECT> frames;
    for (HWND h : children) {
      if (GetParent(h) != page(p)) continue;
      const LONG_PTR style = GetWindowLongPtrW(h, GWL_STYLE);
      RECT r{};
      GetWindowRect(h, &r);
      if (className(h) == L"Button" && (style & BS_TYPEMASK) == BS_GROUPBOX) {
        frames.push_back(r);
        continue;
      }
      if (r.right <= r.left || r.bottom <= r.top) continue;
      EXPECT_TRUE(r.left >= pageRect.left && r.top >= pageRect.top && r.right <= pageRect.right &&
                  r.bottom <= pageRect.bottom)
          << narrow(windowText(h)) << " leaves its page";
      placed.push_back({h, r});
    }
    // A control is inside a frame or clear of it, never on its edge.
    for (const auto& [h, r] : placed)
      for (const RECT& frame : frames) {
        RECT both{};
        if (IntersectRect(&both, &r, &frame)) {
          EXPECT_TRUE(EqualRect(&both, &r)) << narrow(windowText(h)) << " on a frame";
        }
      }
    for (std::size_t i = 0; i < placed.size(); ++i)
      for (std::size_t j = i + 1; j < placed.size(); ++j) {
        const auto spinOn = [](HWND spin, HWND box) {
          return className(spin) == UPDOWN_CLASSW &&
                 reinterpret_cast<HWND>(SendMessageW(spin, UDM_GETBUDDY, 0, 0)) == box;
        };
        if (spinOn(placed[i].first, placed[j].first) || spinOn(placed[j].first, placed[i].first)) continue;
        RECT both{};
        EXPECT_FALSE(IntersectRect(&both, &placed[i].second, &placed[j].second))
            << narrow(className(placed[i].first)) << " '" << narrow(windowText(placed[i].first)) << "' and "
            << narrow(className(placed[j].first)) << " '" << narrow(windowText(placed[j].first)) << "'";
      }
  }
}

int CALLBACK takeTrueTypeFace(const LOGFONTA* font, const TEXTMETRICA*, DWORD type, LPARAM lp) {
  if (!(type & TRUETYPE_FONTTYPE) || font->lfFaceName[0] == '@') return 1;
  *reinterpret_cast<std::string*>(lp) = font->lfFaceName;
  return 0;
}

// A scalable face this system has; prefixes differ in their fonts.
std::string someTrueTypeFace() {
  std::string face;
  win32::WindowDc screen(nullptr);
  LOGFONTA want{};
  want.lfCharSet = DEFAULT_CHARSET;
  EnumFontFamiliesExA(screen.get(), &want, takeTrueTypeFace, reinterpret_cast<LPARAM>(&face), 0);
  return face;
}

TEST_F(DialogTest, FontDialogOpensOnTheStoredFontWithinItsSizes) {
  // A colour of the dialog's own list.
  const std::string face = someTrueTypeFace();
  ASSERT_FALSE(face.empty());
  open(replaced(replaced(kIni, "newFontName=Verdana", "newFontName=" + face), "newFontForeColor=65280",
                "newFontForeColor=255"));
  window->show();
  pump();
  Strings sizes;
  {
    CommonDialogAnswer answer(window->hwnd(), [&](HWND d) {
      sizes = comboItems(GetDlgItem(d, cmb3));
      pressOk(d);
    });
    SendMessageW(item(Control::fontButton), BM_CLICK, 0, 0);
    ASSERT_TRUE(answer.answered);
  }
  ASSERT_FALSE(sizes.empty());
  for (const auto& size : sizes) {
    SCOPED_TRACE(size);
    EXPECT_GE(std::stod(size), 10.0);
    EXPECT_LE(std::stod(size), 48.0);
  }
  // Confirmed unchanged: what it opened on comes back.
  EXPECT_EQ(model().value(Key::newFontName), face);
  EXPECT_EQ(model().value(Key::newFontSize), "12");
  EXPECT_EQ(model().value(Key::newFontBold), "True");
  EXPECT_EQ(model().value(Key::newFontItalic), "False");
  EXPECT_EQ(model().value(Key::newFontUnderline), "False");
  EXPECT_EQ(model().value(Key::newFontFontStrikethru), "True");
  EXPECT_EQ(model().value(Key::newFontForeColor), "255");
  EXPECT_TRUE(shown.empty());
}

TEST_F(DialogTest, ColourDialogOpensOnTheBackgroundColour) {
  const std::uint32_t navy = 0x800000;  // blue 128
  open(replaced(replaced(kIni, "backEffect=1", "backEffect=0"), "newBackColor=255",
                "newBackColor=" + std::to_string(navy)));
  window->show();
  pump();
  {
    CommonDialogAnswer answer(window->hwnd(), pressOk);
    SendMessageW(item(Control::backColourButton), BM_CLICK, 0, 0);
    ASSERT_TRUE(answer.answered);
  }
  EXPECT_EQ(model().value(Key::newBackColor), std::to_string(navy));
  {
    CommonDialogAnswer answer(window->hwnd(), [](HWND d) { PostMessageW(d, WM_COMMAND, IDCANCEL, 0); });
    SendMessageW(item(Control::backColourButton), BM_CLICK, 0, 0);
    ASSERT_TRUE(answer.answered);
  }
  EXPECT_EQ(model().value(Key::newBackColor), std::to_string(navy));
  EXPECT_TRUE(shown.empty());
}

TEST_F(DialogTest, RemoveAllAsksWithYesAndNo) {
  open();
  window->show();
  pump();
  SendMessageW(item(Control::removeAllButton), BM_CLICK, 0, 0);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "Do you really want to remove all loaded images?");
  EXPECT_EQ(shown[0].kind, MessageKind::YesNoExclamation);
  EXPECT_EQ(shown[0].owner, window->hwnd());
  EXPECT_EQ(SendMessageW(item(Control::pictureList), LB_GETCOUNT, 0, 0), 2);

  answerYes = true;
  SendMessageW(item(Control::removeAllButton), BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageW(item(Control::pictureList), LB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(windowText(item(Control::pictureCount)), L"0");
  EXPECT_EQ(windowText(item(Control::captionText)), L"");
  EXPECT_EQ(shown.size(), 2u);
}

TEST_F(DialogTest, TypingACaptionWithNoPictureIsRefusedOnce) {
  open(replaced(kIni, "total=2", "total=0"));
  window->show();
  pump();
  HWND box = item(Control::captionText);
  SendMessageW(box, WM_CHAR, 'x', 0);
  pump();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "An image must be loaded first.");
  EXPECT_EQ(windowText(box), L"");
  EXPECT_TRUE(model().control(Control::captionList).items.empty());
}

// A decoded picture whose pixel (x, y) is `colour(x)`: blue, green, red,
// alpha, premultiplied.
template <typename Colour>
std::shared_ptr<win32::DibPicture> stripedPicture(int width, int height, Colour colour) {
  auto picture = win32::DibPicture::create(width, height);
  if (!picture) return nullptr;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const std::array<std::uint8_t, 4> bgra = colour(x);
      std::copy(bgra.begin(), bgra.end(), picture->mutableBits() + y * picture->stride() + x * 4);
    }
  return picture;
}

// A white box to paint thumbnails into.
class ThumbnailPainting : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(box.ok());
    box.fill(0xFFFFFF);
  }
  lumova::testing::DibSurface box{300, 200};
  ThumbnailPainter painter;
};

TEST_F(ThumbnailPainting, DrawsFromTheTopLeftAtTheGivenSize) {
  // Left half opaque red, right half transparent.
  const auto picture = stripedPicture(200, 100, [](int x) {
    return x < 100 ? std::array<std::uint8_t, 4>{0, 0, 255, 255} : std::array<std::uint8_t, 4>{0, 0, 0, 0};
  });
  ASSERT_TRUE(picture);
  ASSERT_TRUE(painter.paint(box.dc(), picture, 100, 50));
  struct Row {
    int x, y;
    std::uint32_t rgb;
  };
  const Row rows[] = {
      {2, 2, 0xFF0000},     // red
      {45, 45, 0xFF0000},   // still inside the shrunk red half
      {75, 10, 0xFFFFFF},   // the transparent half shows the box
      {150, 10, 0xFFFFFF},  // right of the thumbnail
      {10, 70, 0xFFFFFF},   // below it
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.x) + "," + std::to_string(r.y));
    EXPECT_EQ(box.rgb(r.x, r.y), r.rgb);
  }
  EXPECT_FALSE(painter.paint(box.dc(), std::make_shared<fakes::SizedPicture>(10, 10), 10, 10));
}

TEST_F(ThumbnailPainting, ShrinksByAveragingNotByDroppingPixels) {
  // Single-pixel black and white stripes, halved: every pixel a middle grey,
  // where a nearest-pixel copy would keep only the black or only the white.
  const auto picture = stripedPicture(200, 100, [](int x) {
    const std::uint8_t v = x % 2 ? 255 : 0;
    return std::array<std::uint8_t, 4>{v, v, v, 255};
  });
  ASSERT_TRUE(picture);
  ASSERT_TRUE(painter.paint(box.dc(), picture, 100, 50));
  for (const auto& at : {std::pair{0, 0}, std::pair{37, 21}, std::pair{99, 49}}) {
    SCOPED_TRACE(std::to_string(at.first) + "," + std::to_string(at.second));
    const std::uint32_t c = box.rgb(at.first, at.second);
    for (int shift : {0, 8, 16}) {
      const int channel = static_cast<int>((c >> shift) & 0xFF);
      EXPECT_NEAR(channel, 128, 1);
    }
  }
  EXPECT_EQ(box.rgb(100, 10), 0xFFFFFFu);  // right of the thumbnail
  // Painting again, from the kept copy, gives the same.
  ASSERT_TRUE(painter.paint(box.dc(), picture, 100, 50));
  EXPECT_NEAR(static_cast<int>(box.rgb(37, 21) & 0xFF), 128, 1);
}

}  // namespace
}  // namespace lumova::dialog
