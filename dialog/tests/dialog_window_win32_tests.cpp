// The real dialog under Wine as it looks: its caption, tabs and status bar,
// its controls' kinds, texts, tool tips and places, and how they show the
// state the dialog starts in.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/gdi_win32.h"
#include "dialog/tests/dialog_window_fixture_win32.h"

namespace lumova::dialog::testing {
namespace {

using settings::Key;

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

// Each control's window class and caption, and the labels', found by their
// page and identifier.
struct KindRow {
  std::optional<Control> control;  // none: the label `labelId` on page `labelPage`
  int labelPage = 0;
  int labelId = 0;
  const wchar_t* cls = nullptr;
  const wchar_t* caption = nullptr;  // null: not checked
};
KindRow ofControl(Control c, const wchar_t* cls, const wchar_t* caption = nullptr) { return {c, 0, 0, cls, caption}; }
KindRow ofLabel(int page, int id, const wchar_t* cls, const wchar_t* caption) {
  return {std::nullopt, page, id, cls, caption};
}
const KindRow kKinds[] = {
    ofControl(Control::pictureList, L"ListBox"),
    ofLabel(0, IDC_PICTURE_LIST_LABEL, L"Static", L"Loaded Image(s)"),
    ofControl(Control::pictureCount, L"Edit"),
    ofLabel(0, IDC_PICTURE_COUNT_LABEL, L"Static", L"Total"),
    ofControl(Control::addButton, L"Button", L"&Add"),
    ofControl(Control::removeButton, L"Button", L"&Remove"),
    ofControl(Control::removeAllButton, L"Button", L"R&emove All"),
    ofLabel(0, IDC_FOLDER_LIST_LABEL, L"Static", L"Folders:"),
    ofControl(Control::folderList, L"ListBox"),
    ofControl(Control::addFolderButton, L"Button", L"Add Fo&lder..."),
    ofControl(Control::removeFolderButton, L"Button", L"Remo&ve Folder"),
    ofControl(Control::captionText, L"Edit"),
    ofLabel(0, IDC_CAPTION_LABEL, L"Static", L"Image Caption"),
    ofControl(Control::clearCaptionButton, L"Button", L"&Clear"),
    ofControl(Control::fontButton, L"Button", L"&Font Style"),
    ofControl(Control::fontColourSwatch, L"Static"),
    ofLabel(0, IDC_FONT_COLOUR_LABEL, L"Static", L"Font Color"),
    ofControl(Control::thumbnailBox, L"Static"),
    ofLabel(0, IDC_AUTO_CAPTION_LABEL, L"Static", L"Caption pictures without one:"),
    ofControl(Control::autoCaptionChoice, L"ComboBox"),
    ofLabel(1, IDC_BACKGROUND_FRAME, L"Button", L"Background "),
    ofControl(Control::backgroundChoice, L"ComboBox"),
    ofControl(Control::backColourButton, L"Button", L"&Choose color..."),
    ofControl(Control::backColourSwatch, L"Static"),
    ofLabel(1, IDC_BACK_COLOUR_LABEL, L"Static", L"Background Color"),
    ofLabel(1, IDC_MOVEMENT_FRAME, L"Button", L"Movement"),
    ofControl(Control::centredOption, L"Button", L"&Center"),
    ofControl(Control::floatingOption, L"Button", L"&Float"),
    ofControl(Control::panZoomOption, L"Button", L"&Pan and zoom"),
    ofControl(Control::floatSpeed, TRACKBAR_CLASSW),
    ofControl(Control::floatSpeedLabel, L"Static", L"Float Speed"),
    ofLabel(1, IDC_CHANGE_FRAME, L"Button", L"Change Image"),
    ofControl(Control::changeAfterOption, L"Button", L"&After..."),
    ofControl(Control::changeNeverOption, L"Button", L"&Never"),
    ofControl(Control::intervalSeconds, L"Edit"),
    ofControl(Control::intervalSpin, UPDOWN_CLASSW),
    ofControl(Control::secondsLabel, L"Static", L"Seconds"),
    ofControl(Control::randomOrderCheck, L"Button", L"Random Order"),
    ofControl(Control::shuffleCheck, L"Button", L"Show every picture once before &repeating"),
    ofLabel(1, IDC_TRANSITIONS_FRAME, L"Button", L"Transitions"),
    ofControl(Control::transitionChoice, L"ComboBox"),
    ofControl(Control::randomTransitionsCheck, L"Button", L"Random Transitions"),
    ofControl(Control::fitPicturesCheck, L"Button", L"Shrink large pictures to fit the &screen"),
    ofControl(Control::allMonitorsCheck, L"Button", L"Show pictures on every &monitor"),
    ofControl(Control::keysSteerCheck, L"Button", L"Arrow &keys and space steer the slideshow"),
    ofControl(Control::hiddenCount, L"Static"),
    ofControl(Control::showHiddenButton, L"Button", L"Show &Hidden Again"),
    ofControl(Control::stillOnBatteryCheck, L"Button", L"On battery, show pictures &still"),
    ofLabel(1, IDC_CLOCK_LABEL, L"Static", L"Clock:"),
    ofControl(Control::clockChoice, L"ComboBox"),
    ofControl(Control::blurFillCheck, L"Button", L"Fill around pictures with a &blurred copy"),
    ofControl(Control::pairPortraitsCheck, L"Button", L"Show two &portrait pictures side by side"),
    ofControl(Control::useGpuCheck, L"Button", L"Draw with the &graphics card"),
    ofControl(Control::protectionCheck, L"Button", L"Enabled"),
    ofLabel(2, IDC_PASSWORD_LABEL, L"Static", L"Password"),
    ofControl(Control::passwordText, L"Edit"),
    ofLabel(2, IDC_CONFIRM_LABEL, L"Static", L"Confirm"),
    ofControl(Control::confirmText, L"Edit"),
    ofControl(Control::okButton, L"Button", L"&OK"),
    ofControl(Control::cancelButton, L"Button", L"&Cancel"),
};

TEST_F(DialogTest, ControlsHaveTheirKindsAndCaptions) {
  open();
  for (const KindRow& r : kKinds) {
    SCOPED_TRACE(narrow(r.cls) + " " + (r.caption ? narrow(r.caption) : ""));
    const HWND hwnd = r.control ? item(*r.control) : label(r.labelPage, r.labelId);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(_wcsicmp(className(hwnd).c_str(), r.cls), 0) << narrow(className(hwnd));
    if (r.caption) {
      EXPECT_EQ(windowText(hwnd), r.caption);
    }
  }
}

TEST_F(DialogTest, ButtonsOfEachKindAndPasswordBoxesThatHideTheirText) {
  open();
  auto buttonType = [](HWND h) { return GetWindowLongPtrW(h, GWL_STYLE) & BS_TYPEMASK; };
  for (auto c :
       {Control::centredOption, Control::floatingOption, Control::changeAfterOption, Control::changeNeverOption})
    EXPECT_EQ(buttonType(item(c)), BS_AUTORADIOBUTTON) << controlName(c);
  for (auto c :
       {Control::randomOrderCheck, Control::randomTransitionsCheck, Control::fitPicturesCheck,
        Control::allMonitorsCheck, Control::protectionCheck, Control::shuffleCheck, Control::keysSteerCheck,
        Control::stillOnBatteryCheck, Control::blurFillCheck, Control::pairPortraitsCheck, Control::useGpuCheck})
    EXPECT_EQ(buttonType(item(c)), BS_AUTOCHECKBOX) << controlName(c);
  EXPECT_EQ(LOWORD(SendMessageW(window->hwnd(), DM_GETDEFID, 0, 0)), IDOK);

  for (auto box : {Control::passwordText, Control::confirmText}) {
    SCOPED_TRACE(std::string(controlName(box)));
    EXPECT_NE(GetWindowLongPtrW(item(box), GWL_STYLE) & ES_PASSWORD, 0);
    EXPECT_EQ(SendMessageW(item(box), EM_GETPASSWORDCHAR, 0, 0), L'*');
  }
}

TEST_F(DialogTest, ListsOfferTheirItemsAndTheSliderSpinAndThumbnailBoxTheirSizes) {
  open();
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
      {Control::clockChoice, {"None", "Time", "Time and date"}},
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
      {Control::keysSteerCheck,
       L"Right: the next picture. Left: the one before. Space: pause. I: details. H: hide for good. Other keys end the "
       L"saver."},
      {Control::showHiddenButton, L"Show the pictures hidden with the H key again"},
      {Control::stillOnBatteryCheck, L"Moving pictures stand still, centred, while on battery"},
      {Control::clockChoice, L"A clock in a corner of each monitor"},
      {Control::blurFillCheck, L"Fill the screen around each picture with a blurred, dimmed copy of it"},
      {Control::pairPortraitsCheck, L"On a landscape monitor, show two portrait pictures at once"},
      {Control::useGpuCheck,
       L"Smooth effects on large screens; unticked, pictures are drawn without the graphics card"},
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
  // The graphics card draws unless a file says otherwise.
  EXPECT_EQ(SendMessageW(item(Control::useGpuCheck), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(windowText(item(Control::passwordText)), L"Secret");
  EXPECT_EQ(windowText(item(Control::confirmText)), L"Secret");
  EXPECT_TRUE(IsWindowEnabled(item(Control::passwordText)));
  // Opens on the first tab, and nothing is on the screen until show().
  EXPECT_EQ(window->currentTab(), 0);
  EXPECT_FALSE(IsWindowVisible(window->hwnd()));
}

// The width of `text` in the list box's font, in pixels.
int entryWidth(HWND list, const std::string& text) {
  const std::wstring wide(text.begin(), text.end());
  win32::WindowDc dc(list);
  win32::SelectIn font(dc.get(), reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32W(dc.get(), wide.c_str(), static_cast<int>(wide.size()), &size);
  return size.cx;
}

TEST_F(DialogTest, ListsScrollSidewaysAsFarAsTheirWidestEntry) {
  const std::string longPath = "C:\\Pics\\" + std::string(150, 'w') + ".jpg";
  const std::string folder = "D:\\" + std::string(100, 'f');
  open(replaced(kIni, "1=C:\\Pics\\b.gif", "1=" + longPath) + "[folders]\r\ntotal=1\r\n0=" + folder + "\r\n");
  const auto scroll = [](HWND list) { return static_cast<int>(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0)); };
  for (const auto& [list, widest] :
       {std::pair{item(Control::pictureList), longPath}, std::pair{item(Control::folderList), folder}}) {
    SCOPED_TRACE(widest);
    EXPECT_GT(scroll(list), entryWidth(list, widest));
    EXPECT_LT(scroll(list), entryWidth(list, widest) + 20);
  }
  // Without its widest entry a list scrolls only as far as the rest need.
  HWND pictureList = item(Control::pictureList);
  window->model().setListIndex(Control::pictureList, 1);
  window->model().click(Control::removeButton);
  EXPECT_LT(scroll(pictureList), entryWidth(pictureList, longPath));
  EXPECT_GT(scroll(pictureList), entryWidth(pictureList, "C:\\Pics\\a.jpg"));
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

}  // namespace
}  // namespace lumova::dialog::testing
