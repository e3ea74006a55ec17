// OK: its checks in order with their messages, and what a save writes;
// Cancel writes nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog/settings_dialog.h"
#include "dialog/tests/test_dialog.h"

namespace lumova::dialog {
namespace {

using testing::Dialog;
using testing::FileView;
using testing::fullIni;
using testing::kIniPath;
using Strings = std::vector<std::string>;

struct OkCase {
  std::string what;
  int pictures;  // how many the list keeps (removed from the end)
  bool emptyFirstPath;
  bool protection;
  std::string password, confirm;
  std::string message;  // empty: saved and unloaded
};

TEST(DialogOk, ChecksInOrderWithTheirMessages) {
  const OkCase cases[] = {
      {"no pictures, protection on, boxes empty", 0, false, true, "", "", kNoImages},
      {"first path empty", 2, true, false, "", "", kNoImages},
      {"protection on, both boxes empty", 2, false, true, "", "", kNoPassword},
      {"protection on, confirm empty", 2, false, true, "abc", "", kPasswordsDiffer},
      {"protection on, password empty", 2, false, true, "", "abc", kPasswordsDiffer},
      {"protection on, letter case differs", 2, false, true, "abc", "ABC", kPasswordsDiffer},
      {"protection on, same", 2, false, true, "abc", "abc", ""},
      {"protection off, boxes differ", 2, false, false, "abc", "xyz", ""},
      {"protection off, boxes empty", 2, false, false, "", "", ""},
  };
  for (const OkCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::string ini = fullIni(std::string("password/saverEnabled=") + (c.protection ? "1" : "0") +
                              (c.emptyFirstPath ? "\nimages/0=" : "") + (c.pictures == 0 ? "\ntotal/total=0" : ""));
    Dialog d(ini);
    d.model.load();
    d.host.messages.clear();
    d.model.setText(Control::passwordText, c.password);
    d.model.setText(Control::confirmText, c.confirm);
    d.model.onOk();
    if (c.message.empty()) {
      EXPECT_TRUE(d.host.messages.empty());
      EXPECT_TRUE(d.host.unloaded);
      EXPECT_EQ(d.host.files.saves, 1);
      FileView after(d.host.files.files[kIniPath]);
      EXPECT_EQ(after.read("password", "saverPassword"), c.password);
      EXPECT_EQ(after.read("password", "saverEnabled"), c.protection ? "1" : "0");
    } else {
      EXPECT_EQ(d.host.messages, Strings{c.message});
      EXPECT_FALSE(d.host.unloaded);
      EXPECT_EQ(d.host.files.saves, 0);
      EXPECT_EQ(d.host.files.files[kIniPath], ini);
    }
  }
}

TEST(DialogOk, TwoOfFivePicturesRemovedLeavesKeysZeroToTwo) {
  std::string ini = fullIni(
      "total/total=5\nimages/2=C:\\Pics\\c.jpg\nimages/3=C:\\Pics\\d.jpg\nimages/4=C:\\Pics\\e.jpg\n"
      "caption/2=Third\ncaption/3=Fourth\ncaption/4=Fifth");
  Dialog d(ini);
  for (const char* p : {"C:\\Pics\\c.jpg", "C:\\Pics\\d.jpg", "C:\\Pics\\e.jpg"})
    d.host.pictureFiles.sizes[p] = {10, 10};
  d.model.load();
  d.model.setListIndex(Control::pictureList, 3);
  d.model.onRemovePicture();  // d.jpg; e.jpg moves up
  d.model.setListIndex(Control::pictureList, 0);
  d.model.onRemovePicture();  // a.jpg
  EXPECT_EQ(d[Control::pictureCount].text, "3");
  d.model.onOk();
  ASSERT_TRUE(d.host.unloaded);

  FileView after(d.host.files.files[kIniPath]);
  EXPECT_EQ(after.read("total", "total"), "3");
  const Strings paths{"C:\\Pics\\b.gif", "C:\\Pics\\c.jpg", "C:\\Pics\\e.jpg"};
  const Strings captions{"Second", "Third", "Fifth"};
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    const std::string key = std::to_string(i);
    EXPECT_EQ(after.read("images", key), i < 3 ? paths[i] : "");
    EXPECT_EQ(after.read("caption", key), i < 3 ? captions[i] : "");
  }
  const std::string& bytes = d.host.files.files[kIniPath];
  EXPECT_EQ(bytes.find("3=C:"), std::string::npos);
  EXPECT_EQ(bytes.find("4=C:"), std::string::npos);
}

TEST(DialogOk, FailedSaveNamesTheFileAndKeepsTheDialogOpen) {
  const std::string ini = fullIni();
  Dialog d(ini);
  d.model.load();
  d.model.setValue(Control::intervalSpin, 40);
  d.host.files.failNextSave = settings::SaveError::ReplaceFailed;
  d.model.onOk();
  ASSERT_EQ(d.host.messages.size(), 1u);
  EXPECT_NE(d.host.messages[0].find(kIniPath), std::string::npos);
  EXPECT_FALSE(d.host.unloaded);
  EXPECT_EQ(d.host.files.files[kIniPath], ini);

  // A second OK writes everything again.
  d.model.onOk();
  EXPECT_TRUE(d.host.unloaded);
  FileView after(d.host.files.files[kIniPath]);
  EXPECT_EQ(after.read("image", "timeInterval"), "40");
  EXPECT_EQ(after.read("total", "total"), "2");
}

TEST(DialogOk, UnreadableFileIsNeverReplacedByTheDefaults) {
  // What became of the file between the OK that could not read it and the next.
  enum class Then { Readable, Deleted };
  for (const Then then : {Then::Readable, Then::Deleted}) {
    SCOPED_TRACE(then == Then::Readable ? "readable" : "deleted");
    Dialog d(fullIni());
    d.host.files.unreadable[kIniPath] = settings::ReadError::InUse;
    d.host.store->reload();
    d.model.load();
    EXPECT_EQ(d.host.messages, Strings{readFailedMessage(kIniPath, settings::ReadError::InUse)});
    EXPECT_TRUE(d[Control::pictureList].items.empty());

    d.host.pictureFiles.sizes["C:\\New\\n.jpg"] = {10, 10};
    d.host.openAnswers = {"C:\\New\\n.jpg"};
    d.model.click(Control::addButton);
    d.model.setValue(Control::intervalSpin, 40);
    d.host.messages.clear();
    d.model.onOk();
    EXPECT_EQ(d.host.messages, Strings{readFailedMessage(kIniPath, settings::ReadError::InUse)});
    EXPECT_FALSE(d.host.unloaded);
    EXPECT_EQ(d.host.files.saves, 0);

    d.host.files.unreadable.clear();
    if (then == Then::Deleted) d.host.files.files.erase(kIniPath);
    d.host.messages.clear();
    d.model.onOk();
    if (then == Then::Readable) {
      // It is brought in rather than saved over, the user's changes with it.
      EXPECT_EQ(d.host.messages, Strings{reloadedMessage(kIniPath)});
      EXPECT_EQ(d[Control::pictureList].items, (Strings{"C:\\Pics\\a.jpg", "C:\\Pics\\b.gif"}));
      EXPECT_EQ(d[Control::intervalSpin].value, 25);
      EXPECT_EQ(d.host.files.saves, 0);
      d.model.onOk();
      EXPECT_EQ(d.host.files.saves, 1);
    } else {
      // Nothing is left to lose: the user's choices are saved, unasked.
      EXPECT_TRUE(d.host.messages.empty());
      EXPECT_TRUE(d.host.unloaded);
      ASSERT_EQ(d.host.files.saves, 1);
      FileView after(d.host.files.files[kIniPath]);
      EXPECT_EQ(after.read("images", "0"), "C:\\New\\n.jpg");
      EXPECT_EQ(after.read("image", "timeInterval"), "40");
    }
  }
  const std::string said = reloadedMessage(kIniPath);
  EXPECT_NE(said.find("now shows the settings of this file"), std::string::npos) << said;
  EXPECT_NE(said.find("Your changes were not applied"), std::string::npos) << said;
}

TEST(DialogCancel, WritesNothing) {
  const std::string ini = fullIni();
  Dialog d(ini);
  d.model.load();
  d.model.setValue(Control::intervalSpin, 40);
  d.model.setValue(Control::protectionCheck, 0);
  d.model.onRemovePicture();
  d.model.onCancel();
  EXPECT_TRUE(d.host.unloaded);
  EXPECT_EQ(d.host.files.saves, 0);
  EXPECT_EQ(d.host.files.files[kIniPath], ini);
}

}  // namespace
}  // namespace lumova::dialog
