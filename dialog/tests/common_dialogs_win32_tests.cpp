// The system's dialogs the settings dialog opens, answered from inside their
// own modal loops: the file-open dialog, the folder picker with its count on
// a worker, the font and the colour dialog.
#include <windows.h>

#include <commctrl.h>
#include <dlgs.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/gdi_win32.h"
#include "dialog/dialog_window_ids_win32.h"
#include "dialog/tests/dialog_window_fixture_win32.h"
#include "tests/fakes/fake_folders.h"

namespace lumova::dialog::testing {
namespace {

using settings::Key;

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

// What the file-open dialog showed: its title, the types offered and the one
// shown first.
struct FileOpenSeen {
  std::wstring title;
  Strings types;
  int typeShown = -1;
};

// Presses `button` and answers the file-open dialog it brings up with `path`;
// nothing when none came up.
std::optional<FileOpenSeen> pickFile(HWND owner, HWND button, const std::string& path) {
  FileOpenSeen seen;
  CommonDialogAnswer answer(owner, [&](HWND d) {
    seen.types = comboItems(GetDlgItem(d, cmb1));
    seen.typeShown = static_cast<int>(SendMessageW(GetDlgItem(d, cmb1), CB_GETCURSEL, 0, 0));
    SetDlgItemTextA(d, cmb13, path.c_str());
    pressOk(d);
  });
  SendMessageW(button, BM_CLICK, 0, 0);
  if (!answer.answered) return std::nullopt;
  seen.title = answer.title;
  return seen;
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

  const std::optional<FileOpenSeen> seen = pickFile(window->hwnd(), item(Control::addButton), path);
  ASSERT_TRUE(seen);
  EXPECT_EQ(seen->title, L"Select a file to open");
  const Strings& types = seen->types;
  // The specified list first and preselected, then every type the installed
  // decoders open (Wine's include PNG and TIFF).
  EXPECT_EQ(Strings(types.begin(), types.end() - 1),
            (Strings{"Image files (*.gif;*.jpg;*.bmp)", "CompuServe Files (*.gif)", "Jpeg Files (*.jpg)",
                     "Jif files (*.jif)", "Windows Bitmap Files (*.bmp)", "Windows DIB files (*.dib)"}));
  EXPECT_EQ(types.back(), "All pictures");
  EXPECT_EQ(seen->typeShown, 0);
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

// Folders whose listing is slow where the path says so: the dialog must
// answer meanwhile.
struct SlowFolders : fakes::FakeFolders {
  std::atomic<bool> release{false};
  std::atomic<DWORD> thread{0};
  std::optional<std::vector<FolderEntry>> list(const std::string& at) override {
    thread = GetCurrentThreadId();
    if (at.find("slow") != std::string::npos)
      for (int i = 0; i < 20000 && !release; ++i) Sleep(1);
    return FakeFolders::list(at);
  }
};

// Presses `button` and answers the folder picker it brings up with `folder`:
// the picker's title, or nothing when none came up.
std::optional<std::wstring> pickFolder(HWND owner, HWND button, const std::string& folder) {
  CommonDialogAnswer answer(owner, [&](HWND d) {
    SetDlgItemTextA(d, edt1, folder.c_str());
    pressOk(d);
  });
  SendMessageW(button, BM_CLICK, 0, 0);
  if (!answer.answered) return std::nullopt;
  return answer.title;
}

TEST_F(DialogTest, AddFolderListsTheFolderAndCountsItOnAWorkerThatCancelStops) {
  const std::string folder = freshTempFolder("lumova folder");
  const std::string slow = freshTempFolder("lumova slow");
  SlowFolders tree;
  for (int i = 0; i < 10000; ++i) tree.folders[folder].push_back({"p" + std::to_string(10000 + i) + ".jpg"});
  for (const char* name : {"a.HEIC", "b.heic", "c.heic"}) tree.folders[folder].push_back({name});  // no decoder here
  tree.addFile(slow + "\\a.jpg");
  open(kIni, &tree);
  pictures.sizes[folder + "\\p10000.jpg"] = {64, 48};
  window->show();
  pump();
  EXPECT_EQ(pickFolder(window->hwnd(), item(Control::addFolderButton), folder), L"Select a folder of pictures");
  HWND list = item(Control::folderList);
  ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 1);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(SendMessageW(item(Control::pictureList), LB_GETCOUNT, 0, 0), 2);  // the pictures stay in the folder
  // Counted off the dialog's thread; the count and the first picture's
  // thumbnail come back to it.
  ASSERT_TRUE(waitFor([&] {
    return model().control(Control::folderList).items[0].find("10,000 pictures") != std::string::npos;
  })) << model().control(Control::folderList).items[0];
  EXPECT_NE(model()
                .control(Control::folderList)
                .items[0]
                .find("(10,000 pictures; 3 HEIC files need the HEIF Image Extensions)"),
            std::string::npos)
      << model().control(Control::folderList).items[0];
  wchar_t notice[128] = {};
  SendMessageW(GetDlgItem(window->hwnd(), IDC_STATUSBAR), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(notice));
  EXPECT_STREQ(notice, L"Install from the Microsoft Store: HEIF Image Extensions (HEIC)");
  EXPECT_NE(tree.thread.load(), GetCurrentThreadId());
  ASSERT_TRUE(model().thumbnail().has_value());
  EXPECT_EQ(pictures.loaded.back(), folder + "\\p10000.jpg");

  // A slow folder: the dialog answers while it is counted, and Cancel ends
  // the dialog at once.
  window->model().setListIndex(Control::folderList, -1);
  pickFolder(window->hwnd(), item(Control::addFolderButton), slow);
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

}  // namespace
}  // namespace lumova::dialog::testing
