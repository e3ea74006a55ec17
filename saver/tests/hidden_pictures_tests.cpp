#include "saver/hidden_pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "saver/tests/saver_rig.h"

using lumova::saver::HiddenPictures;

// Each row: the file (none: missing), the paths it names once each, some it
// does not, and one added (new or not). What is saved keeps every byte.
TEST(HiddenPictures, ReadAsFarAsItMakesSenseAndOnlyEverAddedTo) {
  std::string many, junk;  // 100,000 paths; a million lines of binary bytes
  for (int i = 0; i < 100000; ++i) many += "D:\\Photos\\" + std::to_string(i) + ".jpg\r\n";
  for (int i = 0; i < 1000000; ++i) junk += std::string("\x01\xFF", 2) + static_cast<char>(i) + '\n';
  struct Row {
    const char* name;
    std::optional<std::string> file;
    std::size_t count;
    std::vector<const char*> named, notNamed;
    const char* add;
    bool added = true;
  };
  const std::vector<Row> rows = {
      {"no file", std::nullopt, 0, {}, {"C:\\a.jpg"}, "C:\\a.jpg"},
      {"either slash, any case, any line end",
       "C:\\P\\A.jpg\r\nc:/p/b.JPG\nC:\\P\\C.jpg",
       3,
       {"c:\\p\\a.JPG", "C:\\P\\B.jpg", "C:/p/c.jpg"},
       {"C:\\P\\A.jpg.bak", "C:\\P"},
       "D:\\d.jpg"},
      {"duplicates", "C:\\a.jpg\r\nC:\\A.JPG\r\nc:/a.jpg\r\n", 1, {"C:\\a.jpg"}, {}, "C:/A.jpg", false},
      {"beyond ASCII",
       "C:\\\xC3\x9C\x62\x65r\\\xC3\x84.jpg\r\n",
       1,
       {"c:\\\xC3\xBC\x62\x45R\\\xC3\xA4.JPG"},
       {"c:\\uber\\a.jpg"},
       "x"},
      {"a byte order mark",
       "\xEF\xBB\xBF"
       "C:\\a.jpg\r\n",
       1,
       {"C:\\a.jpg"},
       {},
       "C:\\b.jpg"},
      {"binary bytes, control characters, broken UTF-8: those lines only",
       std::string("\x00\x01\xFF\xFEjunk\r\n", 10) + "C:\\a.jpg\r\nC:\\b\tc.jpg\r\nC:\\\xC3(.jpg\r\nC:\\b.jpg",
       2,
       {"C:\\a.jpg", "C:\\b.jpg"},
       {"junk"},
       "C:\\c.jpg"},
      {"a line longer than any path", std::string(40000, 'x') + "\nC:\\b.jpg\n", 1, {"C:\\b.jpg"}, {}, "C:\\c.jpg"},
      {"a last line ending in a bare CR", "C:\\a.jpg\r", 1, {"C:\\a.jpg"}, {}, "C:\\b.jpg"},
      {"a million lines of binary bytes", junk, 0, {}, {"C:\\a.jpg"}, "C:\\a.jpg"},
      {"100,000 paths",
       many,
       100000,
       {"D:\\Photos\\0.jpg", "d:/photos/99999.JPG"},
       {"D:\\Photos\\100000.jpg"},
       "D:\\Photos\\99999.jpg",
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    lumova::fakes::MemoryFileStore files;
    if (row.file) files.files["C:\\S\\zbfaone.hidden"] = *row.file;
    const auto started = std::chrono::steady_clock::now();
    HiddenPictures list = HiddenPictures::read(files, lumova::saver::hiddenListPath("C:\\S"));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(list.size(), row.count);
    for (const char* p : row.notNamed) EXPECT_FALSE(list.contains(p)) << p;
    EXPECT_EQ(list.add(row.add), row.added);
    EXPECT_TRUE(list.savable());
    const std::string before = row.file.value_or("");
    EXPECT_EQ(list.bytes().substr(0, before.size()), before);
    const HiddenPictures again(list.bytes());
    EXPECT_EQ(again.size(), row.count + (row.added ? 1 : 0));
    for (const char* p : row.named) EXPECT_TRUE(list.contains(p) && again.contains(p)) << p;
    EXPECT_TRUE(again.contains(row.add));
  }
  lumova::fakes::MemoryFileStore locked;  // there, but not readable: never written over
  locked.unreadable["C:\\S\\zbfaone.hidden"] = lumova::settings::ReadError::InUse;
  EXPECT_FALSE(HiddenPictures::read(locked, "C:\\S\\zbfaone.hidden").savable());
}

// The next run leaves out what the file names, listed or in a folder.
TEST(HiddenPictures, TheNextRunNeverShowsThem) {
  for (const char* order : {"randomPick=0\r\n", "randomPick=1\r\nshuffle=1\r\n"}) {
    SCOPED_TRACE(order);
    lumova::testing::SaverRig rig(
        lumova::testing::iniWith({{"C:\\p\\a.jpg", "A"}, {"C:\\p\\b.jpg", "B"}, {"C:\\p\\c.jpg", "C"}},
                                 std::string(order) + "timeInterval=1\r\npicRandom=cent\r\n") +
        "[folders]\r\ntotal=1\r\n0=C:\\F\r\n");
    rig.files.files["C:\\Saver\\zbfaone.hidden"] = "c:/P/B.JPG\r\nC:\\F\\2.jpg\r\n";
    for (const char* p : {"C:\\p\\a.jpg", "C:\\p\\b.jpg", "C:\\p\\c.jpg", "C:\\F\\1.jpg", "C:\\F\\2.jpg"})
      rig.pictures.sizes[p] = {50, 50};
    rig.load();
    rig.form.foldersFound({"C:\\F\\1.jpg", "C:\\F\\2.jpg"});
    rig.form.foldersScanned();
    rig.runFor(30);
    ASSERT_GE(rig.view.shown.size(), 20u);
    for (const std::string& path : rig.view.shown) EXPECT_TRUE(path != "C:\\p\\b.jpg" && path != "C:\\F\\2.jpg");
    EXPECT_EQ(rig.form.sequence().listedCaptions(), (std::vector<std::string>{"A", "C", ""}));
  }
}
