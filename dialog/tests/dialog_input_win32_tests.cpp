// The real dialog under Wine as it is used: clicks, keys, the tab order and
// closing, each reaching the reaction it should, and an unexpected error
// that leaves the dialog usable.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "dialog/tests/dialog_window_fixture_win32.h"

namespace lumova::dialog::testing {
namespace {

using settings::Key;

TEST_F(DialogTest, RealClicksReachTheReactions) {
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
  EXPECT_TRUE(shown.empty());
}

TEST_F(DialogTest, RealKeysTypingAndTicksReachTheReactions) {
  open();
  window->show();
  pump();
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
  SendMessageW(item(Control::useGpuCheck), BM_CLICK, 0, 0);
  EXPECT_EQ(model().value(Key::useGpu), "0");
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
        Control::allMonitorsCheck, Control::keysSteerCheck, Control::stillOnBatteryCheck, Control::clockChoice,
        Control::useGpuCheck, Control::blurFillCheck, Control::pairPortraitsCheck}},
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

TEST_F(DialogTest, HiddenPicturesAreCountedUntilShownAgain) {
  files.files["C:\\Saver\\zbfaone.hidden"] = "C:\\Pics\\a.jpg\r\n";
  open();
  window->show();
  pump();
  EXPECT_TRUE(IsWindowVisible(item(Control::showHiddenButton)));
  EXPECT_EQ(windowText(item(Control::hiddenCount)), L"Hidden pictures: 1");
  SendMessageW(item(Control::showHiddenButton), BM_CLICK, 0, 0);  // No
  EXPECT_EQ(files.files["C:\\Saver\\zbfaone.hidden"], "C:\\Pics\\a.jpg\r\n");
  answerYes = true;
  SendMessageW(item(Control::showHiddenButton), BM_CLICK, 0, 0);
  EXPECT_EQ(shown.at(1).text, "Show the hidden picture in the slideshow again?");
  EXPECT_EQ(files.files["C:\\Saver\\zbfaone.hidden"], "");
  EXPECT_FALSE(IsWindowVisible(item(Control::hiddenCount)));
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

}  // namespace
}  // namespace lumova::dialog::testing
