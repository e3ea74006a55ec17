#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include "tests/fakes/memory_file_store.h"
#include "settings/settings_keys.h"

namespace lumova::settings {
namespace {

using fakes::MemoryFileStore;

const std::string kPath = "C:\\Saver\\zbfaone.ini";

TEST(SettingsPath, AddsABackslashOnlyWhenMissing) {
  struct Row {
    const char* folder;
    const char* expected;
  };
  const Row rows[] = {
      {"C:\\Program Files\\Lumova", "C:\\Program Files\\Lumova\\zbfaone.ini"},
      {"C:\\", "C:\\zbfaone.ini"},
      {"\\\\server\\share\\", "\\\\server\\share\\zbfaone.ini"},
      {"D:\\x/", "D:\\x/\\zbfaone.ini"},  // only a backslash counts as the separator
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.folder);
    EXPECT_EQ(settingsPath(row.folder), row.expected);
  }
}

TEST(SettingsStore, ReadsTheFileOnceAndAnswersFromMemory) {
  MemoryFileStore files;
  files.files[kPath] = "[s]\r\nk=1\r\n";
  SettingsStore store(files, kPath);
  files.files[kPath] = "[s]\r\nk=2\r\n";
  EXPECT_EQ(store.read("s", "k"), "1");
  EXPECT_EQ(store.read("s", "k"), "1");
  EXPECT_EQ(files.reads, 1);
}

TEST(SettingsStore, MissingFileIsEmptyAndTheFirstSaveCreatesIt) {
  MemoryFileStore files;
  SettingsStore store(files, kPath);
  EXPECT_EQ(store.read("total", "total"), "");
  store.write("total", "total", "0");
  EXPECT_EQ(files.files.count(kPath), 0u);  // nothing on disk before save()
  ASSERT_EQ(store.save(), SaveError::None);
  EXPECT_EQ(files.files[kPath], "[total]\r\ntotal=0\r\n");
}

TEST(SettingsStore, SaveFailureIsReportedAndNothingIsLost) {
  MemoryFileStore files;
  files.files[kPath] = "[s]\r\nk=old\r\n";
  SettingsStore store(files, kPath);
  store.write("s", "k", "new");
  files.failNextSave = SaveError::ReplaceFailed;
  EXPECT_EQ(store.save(), SaveError::ReplaceFailed);
  EXPECT_EQ(files.files[kPath], "[s]\r\nk=old\r\n");
  // The edits are still there for another try.
  EXPECT_EQ(store.save(), SaveError::None);
  EXPECT_EQ(files.files[kPath], "[s]\r\nk=new\r\n");
}

// Every option at its default, as a reader of no file at all sees them.
OptionValues defaultOptions() {
  MemoryFileStore none;
  return readOptions(SettingsStore(none, "none.ini"));
}

PictureList pictures(int n, const std::string& prefix) {
  PictureList list;
  for (int i = 0; i < n; ++i) {
    list.paths.push_back("C:\\" + prefix + std::to_string(i) + ".jpg");
    list.captions.push_back(prefix + " caption " + std::to_string(i));
  }
  return list;
}

TEST(SettingsStore, SavingFewerPicturesLeavesNoStaleKeys) {
  MemoryFileStore files;
  {
    SettingsStore store(files, kPath);
    writeAll(store, pictures(5, "old"), defaultOptions());
    ASSERT_EQ(store.save(), SaveError::None);
  }
  {
    SettingsStore store(files, kPath);
    writeAll(store, pictures(3, "new"), defaultOptions());
    ASSERT_EQ(store.save(), SaveError::None);
  }
  SettingsStore store(files, kPath);
  EXPECT_EQ(store.read("total", "total"), "3");
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    std::string key = std::to_string(i);
    EXPECT_EQ(store.read("images", key), i < 3 ? "C:\\new" + key + ".jpg" : "");
    EXPECT_EQ(store.read("caption", key), i < 3 ? "new caption " + key : "");
  }
  const std::string& file = files.files[kPath];
  EXPECT_EQ(file.find("C:\\old"), std::string::npos) << file;
  EXPECT_EQ(file.find("old caption"), std::string::npos) << file;
}

TEST(SettingsStore, SaveWritesEveryKeyInOrder) {
  MemoryFileStore files;
  SettingsStore store(files, kPath);
  PictureList list;
  list.paths = {"C:\\a.jpg", "C:\\b.gif"};
  list.captions = {"", "  Beach  "};
  writeAll(store, list, defaultOptions());
  ASSERT_EQ(store.save(), SaveError::None);
  EXPECT_EQ(files.files[kPath],
            "[images]\r\n0=C:\\a.jpg\r\n1=C:\\b.gif\r\n"
            "[total]\r\ntotal=2\r\n"
            "[caption]\r\n0=\r\n1=Beach  \r\n"
            "[image]\r\nrandomPick=0\r\npicSpeed=2\r\ntimeInterval=10\r\npicRandom=cent\r\npicChange=ch\r\n"
            "effectMode=0\r\nrandomEffect=0\r\npicFit=1\r\nallMonitors=1\r\nshuffle=1\r\nautoCaption=0\r\n"
            "keysSteer=0\r\n"
            "stillOnBattery=1\r\nclock=0\r\n"
            "blurFill=1\r\npairPortraits=0\r\nuseGpu=1\r\n"
            "[background]\r\nnewBackColor=0\r\nbackEffect=0\r\n"
            "[password]\r\nsaverPassword=\r\nsaverEnabled=0\r\n"
            "[font]\r\nnewFontName=Arial\r\nnewFontSize=14\r\nnewFontBold=False\r\nnewFontItalic=False\r\n"
            "newFontUnderline=False\r\nnewFontFontStrikethru=False\r\nnewFontForeColor=16777215\r\n");
}

TEST(SettingsStore, PictureListRoundTripsWithItsLimits) {
  MemoryFileStore files;
  PictureList list;
  list.paths = {std::string(300, 'p'), "C:\\b.jpg"};
  list.captions = {"  trimmed  ", ""};
  {
    SettingsStore store(files, kPath);
    writeAll(store, list, defaultOptions());
    ASSERT_EQ(store.save(), SaveError::None);
  }
  PictureList back = readPictureList(SettingsStore(files, kPath));
  ASSERT_EQ(back.paths.size(), 2u);
  EXPECT_EQ(back.paths[0], std::string(254, 'p'));
  EXPECT_EQ(back.paths[1], "C:\\b.jpg");
  EXPECT_EQ(back.captions[0], "trimmed");
  EXPECT_EQ(back.captions[1], "");
}

TEST(SettingsStore, PictureCountComesFromTotalAlone) {
  struct Row {
    const char* what;
    std::string file;
    std::size_t expected;
  };
  const std::string three = "[images]\r\n0=a\r\n1=b\r\n2=c\r\n";
  const std::vector<Row> rows = {
      {"total 2 with three images", "[total]\r\ntotal=2\r\n" + three, 2},
      {"missing file", "", 0},
      {"missing total", three, 0},
      {"garbage total", "[total]\r\ntotal=many\r\n" + three, 0},
      {"negative total", "[total]\r\ntotal=-1\r\n" + three, 0},
      {"fraction rounds half to even", "[total]\r\ntotal=2.5\r\n" + three, 2},
      {"fraction rounds up", "[total]\r\ntotal=2.6\r\n" + three, 3},
      {"beyond the missing keys", "[total]\r\ntotal=5\r\n" + three, 5},
      {"huge total is cut", "[total]\r\ntotal=1e9\r\n", 32767},
      {"just above the limit", "[total]\r\ntotal=32767.6\r\n", 32767},
  };
  MemoryFileStore files;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    files.files.clear();
    if (!row.file.empty()) files.files[kPath] = row.file;
    PictureList list = readPictureList(SettingsStore(files, kPath));
    EXPECT_EQ(list.paths.size(), row.expected);
    EXPECT_EQ(list.captions.size(), row.expected);
  }
}

TEST(SettingsStore, MissingPictureKeysReadEmpty) {
  MemoryFileStore files;
  files.files[kPath] = "[total]\r\ntotal=3\r\n[images]\r\n0=a\r\n2=c\r\n[caption]\r\n1=one\r\n";
  PictureList list = readPictureList(SettingsStore(files, kPath));
  EXPECT_EQ(list.paths, (std::vector<std::string>{"a", "", "c"}));
  EXPECT_EQ(list.captions, (std::vector<std::string>{"", "one", ""}));
}

TEST(SettingsStore, FoldersSectionHoldsTotalAndNumberedPaths) {
  struct Row {
    const char* what;
    std::string file;
    std::vector<std::string> expected;
  };
  const std::vector<Row> rows = {
      {"no section", "[total]\r\ntotal=0\r\n", {}},
      {"two", "[folders]\r\ntotal=2\r\n0=C:\\A\r\n1=\\\\nas\\pics\r\n2=C:\\Extra\r\n", {"C:\\A", "\\\\nas\\pics"}},
      {"missing key", "[folders]\r\ntotal=2\r\n1=C:\\B\r\n", {"C:\\B"}},
      {"garbage total", "[folders]\r\ntotal=x\r\n0=C:\\A\r\n", {}},
  };
  MemoryFileStore files;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    files.files[kPath] = row.file;
    EXPECT_EQ(readFolderList(SettingsStore(files, kPath)), row.expected);
  }
  // Saved: a shorter list leaves no stale key; none leaves no section.
  for (const std::vector<std::string>& folders : {std::vector<std::string>{"D:\\Photos"}, std::vector<std::string>{}}) {
    SettingsStore store(files, kPath);
    writeFolderList(store, folders);
    ASSERT_EQ(store.save(), SaveError::None);
    EXPECT_EQ(readFolderList(SettingsStore(files, kPath)), folders);
    EXPECT_EQ(files.files[kPath].find("C:\\A"), std::string::npos);
  }
  EXPECT_EQ(files.files[kPath].find("[folders]"), std::string::npos);
}

}  // namespace
}  // namespace lumova::settings
