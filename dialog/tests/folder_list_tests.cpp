// The folder list: folders listed once, counted by the host, previewed and
// saved, and the path order their pictures come in.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "picture/folder_scan.h"
#include "dialog/settings_dialog.h"
#include "dialog/tests/test_dialog.h"

namespace lumova::dialog {
namespace {

using testing::Dialog;
using testing::FileView;
using testing::fullIni;
using testing::kIniPath;
using Strings = std::vector<std::string>;

TEST(DialogFolder, PathOrderIgnoresCaseAndPutsAFoldersFilesByName) {
  struct Row {
    std::string a, b;
    bool less;
  };
  const Row rows[] = {
      {"C:\\P\\a.jpg", "C:\\P\\B.jpg", true},
      {"C:\\P\\B.jpg", "C:\\P\\a.jpg", false},
      {"C:\\P\\A.jpg", "C:\\P\\a.jpg", false},
      {"C:\\P\\sub\\z.jpg", "C:\\P\\sub-a.jpg", true},
      {"C:\\P\\sub\\z.jpg", "C:\\P\\sub a.jpg", true},
      {"C:\\P\\_x.jpg", "C:\\P\\a.jpg", false},
      {"C:\\\u00E9t\u00E9.jpg", "C:\\\u00C9T\u00C9.jpg", false},  // é and É
      {"C:\\\u0444.jpg", "C:\\\u0424.jpg", false},                // ф and Ф
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.a + " < " + r.b);
    EXPECT_EQ(pathLess(r.a, r.b), r.less);
  }
  EXPECT_EQ(pathKey("C:\\\u03C3\u03C2"), pathKey("C:\\\u03A3\u03A3"));  // σ, ς and Σ
}

TEST(DialogFolder, ListedOnceCountedOnTheWorkerPreviewedAndSaved) {
  Dialog d(fullIni("folders/total=1\nfolders/0=D:\\Old"));
  d.model.load();
  EXPECT_EQ(d[Control::folderList].items, Strings{"D:\\Old"});
  ASSERT_EQ(d.host.countRequests, (std::vector<Strings>{{"D:\\Old"}}));
  d.host.folderAnswers = {"C:\\Trip\\", "c:\\TRIP", "E:\\Gone", std::nullopt};
  d.model.click(Control::addFolderButton);
  d.model.click(Control::addFolderButton);  // the same folder again: selected, not added
  EXPECT_EQ(d.host.messages, Strings{std::string(kFolderListed) + "\r\nC:\\Trip"});
  d.model.click(Control::addFolderButton);
  d.model.click(Control::addFolderButton);  // cancelled
  EXPECT_EQ(d[Control::folderList].items, (Strings{"D:\\Old", "C:\\Trip", "E:\\Gone"}));
  EXPECT_EQ(d.host.countRequests.back(), (Strings{"D:\\Old", "C:\\Trip", "E:\\Gone"}));
  EXPECT_EQ(d[Control::pictureList].items.size(), 2u);  // the picture list is left alone

  // Counts come in: the selected folder's first picture is previewed.
  d.host.pictureFiles.sizes["C:\\Trip\\Alps\\peak.bmp"] = {40, 30};
  d.model.setListIndex(Control::folderList, 1);
  EXPECT_FALSE(d.model.thumbnail().has_value());
  // Trip also holds HEIC photos and one WebP file that nothing here opens.
  d.model.folderCounted("C:\\Trip", {1234, "C:\\Trip\\Alps\\peak.bmp", true, {56, 0, 0, 1}});
  d.model.folderCounted("E:\\Gone", {0, "", false});
  d.model.folderCounted("D:\\Old", {1, "D:\\Old\\a.png", true, {0, 0, 0, 0}});
  EXPECT_EQ(d[Control::folderList].items,
            (Strings{"D:\\Old  (1 picture)",
                     "C:\\Trip  (1,234 pictures; 56 HEIC files need the HEIF Image Extensions; 1 WebP file needs the "
                     "WebP Image Extensions)",
                     "E:\\Gone  (cannot be read)"}));
  ASSERT_TRUE(d.model.thumbnail().has_value());
  EXPECT_EQ(d.model.thumbnail()->width, 600);
  EXPECT_EQ(d.host.notice,
            "Install from the Microsoft Store: HEIF Image Extensions (HEIC), WebP Image Extensions (WebP)");
  d.model.setListIndex(Control::folderList, 0);
  EXPECT_EQ(d.host.notice, "") << "the usual notice for a folder that needs nothing";
  d.model.setListIndex(Control::folderList, 1);

  // Removed: the one before is selected; with none selected, nothing is removed.
  d.model.click(Control::removeFolderButton);
  EXPECT_EQ(d[Control::folderList].value, 0);
  EXPECT_EQ(d[Control::folderList].items.size(), 2u);
  d.model.setListIndex(Control::folderList, -1);
  d.host.messages.clear();
  d.model.click(Control::removeFolderButton);
  EXPECT_EQ(d.host.messages, Strings{kNothingToRemove});

  // OK takes folders alone as something to show, and writes them.
  d.host.yesNoAnswers = {true};
  d.model.click(Control::removeAllButton);
  d.model.onOk();
  ASSERT_TRUE(d.host.unloaded);
  FileView after(d.host.files.files[kIniPath]);
  EXPECT_EQ(after.read("folders", "total"), "2");
  EXPECT_EQ(after.read("folders", "0"), "D:\\Old");
  EXPECT_EQ(after.read("folders", "1"), "E:\\Gone");
  EXPECT_EQ(after.read("total", "total"), "0");
}

}  // namespace
}  // namespace lumova::dialog
