#include "saver/hidden_pictures.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/fakes/memory_file_store.h"

using lumova::saver::HiddenPictures;

// Each row: the file, how many paths it names (each once), one it names and
// one it does not, and one added (new or not). A save keeps every byte.
TEST(HiddenPictures, ReadAsFarAsItMakesSenseAndOnlyEverAddedTo) {
  std::string many, junk;  // 100,000 paths; a million lines of binary bytes
  for (int i = 0; i < 100000; ++i) many += "D:\\Photos\\" + std::to_string(i) + ".jpg\r\n";
  for (int i = 0; i < 1000000; ++i) junk += std::string("\x01\xFF", 2) + static_cast<char>(i) + '\n';
  struct Row {
    const char* name;
    std::string file;
    std::size_t count;
    const char *named, *notNamed, *add;
    bool added = true;
  };
  const Row rows[] = {
      {"slashes, case, line ends", "C:\\P\\A.jpg\r\nc:/p/b.JPG\nC:\\P\\C.jpg", 3, "C:/p/c.JPG", "C:\\P", "D:\\d"},
      {"duplicates", "C:\\a.jpg\r\nC:\\A.JPG\r\nc:/a.jpg\r\n", 1, "c:\\A.jpg", "C:\\b.jpg", "C:/A.jpg", false},
      {"beyond ASCII", "C:\\\xC3\x9C\x62\x65r\\\xC3\x84", 1, "c:\\\xC3\xBC\x62\x45R\\\xC3\xA4", "c:\\uber\\a", "x"},
      {"a byte order mark",
       "\xEF\xBB\xBF"
       "C:\\a.jpg\r\n",
       1, "C:\\a.jpg", "", "C:\\b.jpg"},
      {"binary, control characters, broken UTF-8",
       std::string("\0\x01junk\r\nC:\\b\tc.jpg\r\nC:\\\xC3(.jpg\r\nC:\\a.jpg", 39), 1, "C:\\a.jpg", "junk",
       "C:\\c.jpg"},
      {"a line longer than any path", std::string(40000, 'x') + "\nC:\\b.jpg\n", 1, "C:\\b.jpg", "", "C:\\c.jpg"},
      {"a last line ending in a bare CR", "C:\\a.jpg\r", 1, "C:\\a.jpg", "", "C:\\b.jpg"},
      {"a million lines of binary bytes", junk, 0, "", "C:\\a.jpg", "C:\\a.jpg"},
      {"100,000 paths", many, 100000, "d:/photos/99999.JPG", "D:\\Photos\\100000.jpg", "D:\\Photos\\0.jpg", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    lumova::fakes::MemoryFileStore files;
    files.files["C:\\S\\zbfaone.hidden"] = row.file;
    HiddenPictures list = HiddenPictures::read(files, lumova::saver::hiddenListPath("C:\\S"));
    EXPECT_EQ(list.size(), row.count);
    EXPECT_FALSE(list.contains(row.notNamed));
    EXPECT_EQ(list.add(row.add), row.added);
    EXPECT_EQ(list.bytes().substr(0, row.file.size()), row.file);
    const HiddenPictures again(list.bytes());
    EXPECT_EQ(again.size(), row.count + (row.added ? 1 : 0));
    EXPECT_EQ(list.contains(row.named) && again.contains(row.named), *row.named != 0);
    EXPECT_TRUE(again.contains(row.add));
  }
  // A missing file is an empty list; one there but unreadable is never written over.
  lumova::fakes::MemoryFileStore files;
  EXPECT_TRUE(HiddenPictures::read(files, "C:\\S\\zbfaone.hidden").savable());
  files.unreadable["C:\\S\\zbfaone.hidden"] = lumova::settings::ReadError::InUse;
  EXPECT_FALSE(HiddenPictures::read(files, "C:\\S\\zbfaone.hidden").savable());
}
