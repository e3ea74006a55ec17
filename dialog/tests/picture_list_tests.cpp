// The "Image Files" tab: adding through the file-open dialog, removing one
// or all pictures, captions, and the thumbnail.
#include <gtest/gtest.h>

#include <algorithm>
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
using Controls = std::vector<Control>;

const std::string kEmpty = fullIni("total/total=0");

TEST(DialogAdd, AsksForAPictureWithTheTypesAndTitle) {
  Dialog d(kEmpty);
  d.model.load();
  d.model.click(Control::addButton);
  ASSERT_EQ(d.host.openRequests.size(), 1u);
  const OpenFileRequest& r = d.host.openRequests[0];
  EXPECT_EQ(r.title, "Select a file to open");
  EXPECT_EQ(r.filterIndex, 1);
  EXPECT_EQ(r.filter,
            "Image files (*.gif;*.jpg;*.bmp)|*.gif;*.jpg;*.bmp|CompuServe Files (*.gif)|*.gif|Jpeg Files (*.jpg)|*.jpg|"
            "Jif files (*.jif)|*.jif|Windows Bitmap Files (*.bmp)|*.bmp|Windows DIB files (*.dib)|*.dib");
}

TEST(DialogAdd, FilterBecomesNulSeparatedPairs) {
  const std::string got = commonDialogFilter("A (*.a)|*.a|B|*.b;*.c");
  EXPECT_EQ(got, std::string("A (*.a)\0*.a\0B\0*.b;*.c\0", 22));
  // With the terminator of the text itself, the list ends in two NULs.
  EXPECT_EQ(got.c_str()[got.size()], '\0');
  const std::string full = commonDialogFilter(kPictureFilter);
  EXPECT_EQ(std::count(full.begin(), full.end(), '\0'), 11 + 1);  // six pairs
}

TEST(DialogAdd, SameFileTwiceGivesTwoEntriesWithTheirOwnCaptions) {
  Dialog d(kEmpty);
  d.model.load();
  d.host.openAnswers = {"C:\\Pics\\a.jpg", "C:\\Pics\\a.jpg"};

  d.model.click(Control::addButton);
  EXPECT_EQ(d[Control::pictureList].value, 0);
  EXPECT_EQ(d[Control::pictureCount].text, "1");
  d.model.setText(Control::captionText, "Morning");

  d.model.click(Control::addButton);
  // Appended at the end, selected, with an empty caption in the box.
  EXPECT_EQ(d[Control::pictureList].items, (Strings{"C:\\Pics\\a.jpg", "C:\\Pics\\a.jpg"}));
  EXPECT_EQ(d[Control::pictureList].value, 1);
  EXPECT_EQ(d[Control::captionText].text, "");
  EXPECT_EQ(d[Control::pictureCount].text, "2");
  d.model.setText(Control::captionText, "Evening");

  EXPECT_EQ(d[Control::captionList].items, (Strings{"Morning", "Evening"}));
  d.model.setListIndex(Control::pictureList, 0);
  EXPECT_EQ(d[Control::captionText].text, "Morning");
  EXPECT_TRUE(d.host.messages.empty());

  d.model.onOk();
  ASSERT_TRUE(d.host.unloaded);
  FileView after(d.host.files.files[kIniPath]);
  EXPECT_EQ(after.read("total", "total"), "2");
  EXPECT_EQ(after.read("images", "1"), "C:\\Pics\\a.jpg");
  EXPECT_EQ(after.read("caption", "0"), "Morning");
  EXPECT_EQ(after.read("caption", "1"), "Evening");
}

TEST(DialogAdd, ShowsTheNewPicturesThumbnail) {
  Dialog d(fullIni());
  d.model.load();
  d.host.pictureFiles.sizes["C:\\Pics\\wide.bmp"] = {800, 100};
  d.host.openAnswers = {"C:\\Pics\\wide.bmp"};
  d.host.pictureFiles.loaded.clear();
  d.model.click(Control::addButton);
  ASSERT_TRUE(d.model.thumbnail().has_value());
  // 12000 x 1500 twips: shrunk until it fits, 3049 x 381.
  EXPECT_EQ(d.model.thumbnail()->width, 3049);
  EXPECT_EQ(d.model.thumbnail()->height, 381);
  EXPECT_EQ(d.model.thumbnail()->picture, d.model.loadedPicture());
  EXPECT_EQ(d.model.loadedPicture()->width(), 800);
  // The selection's load serves the add as well.
  EXPECT_EQ(d.host.pictureFiles.loaded, Strings{"C:\\Pics\\wide.bmp"});
}

TEST(DialogAdd, CancelSaysNoFileWasSelectedAndChangesNothing) {
  Dialog d(fullIni());
  d.model.load();
  d.host.changes.clear();
  d.model.click(Control::addButton);  // no answer scripted: cancelled
  EXPECT_EQ(d.host.messages, Strings{kNoFileSelected});
  EXPECT_EQ(d[Control::pictureList].items.size(), 2u);
  EXPECT_EQ(d[Control::captionList].items.size(), 2u);
  EXPECT_EQ(d[Control::pictureList].value, 0);
  EXPECT_EQ(d[Control::pictureCount].text, "2");
  EXPECT_TRUE(d.model.thumbnail().has_value());
  EXPECT_TRUE(d.host.changes.empty());
}

TEST(DialogAdd, UnreadablePictureStaysListedAfterBothMessages) {
  Dialog d(fullIni());
  d.model.load();
  d.host.openAnswers = {"C:\\Pics\\broken.jif"};
  d.model.click(Control::addButton);
  EXPECT_EQ(d.host.messages, (Strings{kImageNotFound, kNoFileSelected}));
  EXPECT_EQ(d[Control::pictureList].items.back(), "C:\\Pics\\broken.jif");
  EXPECT_EQ(d[Control::captionList].items, (Strings{"First", "Second", ""}));
  EXPECT_EQ(d[Control::pictureList].value, 2);
  EXPECT_EQ(d[Control::pictureCount].text, "3");
  EXPECT_FALSE(d.model.thumbnail().has_value());
  // The dialog keeps the last picture that loaded: the first entry's.
  ASSERT_TRUE(d.model.loadedPicture());
  EXPECT_EQ(d.model.loadedPicture()->width(), 640);
}

TEST(DialogAdd, PathLongerThanTheFileKeepsIsRefused) {
  Dialog d(fullIni());
  d.model.load();
  const std::string longPath = "C:\\" + std::string(248, 'p') + ".jpg";  // 255 characters
  std::string fits = "C:\\";
  for (int i = 0; i < 247; ++i) fits += "\u03A9";  // two bytes, one character each
  fits += ".jpg";                                  // 254 characters
  d.host.pictureFiles.sizes[fits] = {10, 10};
  d.host.openAnswers = {longPath, fits};
  d.model.click(Control::addButton);
  EXPECT_EQ(d.host.messages, Strings{pathTooLongMessage(longPath)});
  EXPECT_EQ(d[Control::pictureList].items.size(), 2u);
  d.model.click(Control::addButton);
  EXPECT_EQ(d[Control::pictureList].items.size(), 3u) << "254 characters fit";
}

TEST(DialogAdd, SeveralFilesAreAddedInTheOrderGivenAndTheLastSelected) {
  Dialog d(fullIni());
  d.model.load();
  for (const char* p : {"C:\\New\\z.jpg", "C:\\New\\b.gif", "C:\\New\\m.bmp"}) d.host.pictureFiles.sizes[p] = {20, 10};
  d.host.openAnswers = {Strings{"C:\\New\\z.jpg", "C:\\New\\b.gif", "C:\\New\\m.bmp"}};
  d.host.pictureFiles.loaded.clear();
  d.model.click(Control::addButton);
  EXPECT_EQ(d[Control::pictureList].items,
            (Strings{"C:\\Pics\\a.jpg", "C:\\Pics\\b.gif", "C:\\New\\z.jpg", "C:\\New\\b.gif", "C:\\New\\m.bmp"}));
  EXPECT_EQ(d[Control::captionList].items, (Strings{"First", "Second", "", "", ""}));
  EXPECT_EQ(d[Control::pictureList].value, 4);
  EXPECT_EQ(d[Control::pictureCount].text, "5");
  EXPECT_EQ(d[Control::captionText].text, "");
  ASSERT_TRUE(d.model.thumbnail().has_value());
  EXPECT_EQ(d.model.thumbnail()->width, 300);
  // Only the one shown is decoded.
  EXPECT_EQ(d.host.pictureFiles.loaded, Strings{"C:\\New\\m.bmp"});
  EXPECT_TRUE(d.host.messages.empty());
}

TEST(DialogAdd, OneOfSeveralWithAPathTooLongIsLeftOutWithItsMessage) {
  Dialog d(kEmpty);
  d.model.load();
  const std::string longPath = "C:\\" + std::string(251, 'p') + ".jpg";
  d.host.openAnswers = {Strings{"C:\\Pics\\b.gif", longPath, "C:\\Pics\\a.jpg"}};
  d.model.click(Control::addButton);
  EXPECT_EQ(d.host.messages, Strings{pathTooLongMessage(longPath)});
  EXPECT_EQ(d[Control::pictureList].items, (Strings{"C:\\Pics\\b.gif", "C:\\Pics\\a.jpg"}));
  EXPECT_EQ(d[Control::pictureList].value, 1);
  EXPECT_EQ(d[Control::pictureCount].text, "2");
}

TEST(DialogAdd, AFullListTakesWhatFitsAndSaysHowManyWereLeftOut) {
  struct Row {
    std::vector<int> batches;  // files chosen at each Add, after the two listed
    std::size_t added;
    Strings messages;  // of the last Add; none of the chosen files can be shown
  };
  const Strings unshown{kImageNotFound, kNoFileSelected};
  const Row rows[] = {
      {{32765}, 32765, unshown},  // exactly full
      {{32766}, 32765, {kImageNotFound, kNoFileSelected, listFullMessage(1)}},
      {{32770}, 32765, {kImageNotFound, kNoFileSelected, listFullMessage(5)}},
      {{32765, 3}, 32765, {listFullMessage(3)}},  // full already: nothing comes in
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.batches.size() * 100000 + r.batches.back());
    Dialog d(fullIni());
    d.model.load();
    int next = 0;
    for (int files : r.batches) {
      Strings chosen;
      for (int i = 0; i < files; ++i) chosen.push_back("C:\\Many\\" + std::to_string(next++) + ".jpg");
      d.host.openAnswers = {chosen};
      d.host.messages.clear();
      d.model.click(Control::addButton);
    }
    EXPECT_EQ(d[Control::pictureList].items.size(), 2 + r.added);
    EXPECT_EQ(d[Control::captionList].items.size(), 2 + r.added);
    EXPECT_EQ(d[Control::pictureCount].text, std::to_string(2 + r.added));
    EXPECT_EQ(d.host.messages, r.messages);
  }
  EXPECT_EQ(listFullMessage(2), "The list holds at most 32767 pictures. 2 pictures were left out.");
}

TEST(DialogAdd, MultipleSelectionBufferGivesFullPaths) {
  struct Row {
    std::string buffer;  // as the dialog fills it, up to its two NULs
    Strings paths;
  };
  using namespace std::string_literals;
  const Row rows[] = {
      {"C:\\Pics\\one.jpg\0\0"s, {"C:\\Pics\\one.jpg"}},
      {"C:\\Pics\0b.gif\0a.jpg\0\0"s, {"C:\\Pics\\b.gif", "C:\\Pics\\a.jpg"}},
      {"C:\\\0x.bmp\0y.dib\0\0"s, {"C:\\x.bmp", "C:\\y.dib"}},  // a drive's root ends in its own "\"
      {"C:\\Pics\0a b.jpg\0\0garbage\0"s, {"C:\\Pics\\a b.jpg"}},
      {"\0\0"s, {}},
      {""s, {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.buffer);
    EXPECT_EQ(splitOpenSelection(r.buffer), r.paths);
  }
}

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
  d.model.folderCounted("C:\\Trip", {1234, "C:\\Trip\\Alps\\peak.bmp", true});
  d.model.folderCounted("E:\\Gone", {0, "", false});
  d.model.folderCounted("D:\\Old", {1, "D:\\Old\\a.png", true});
  EXPECT_EQ(d[Control::folderList].items,
            (Strings{"D:\\Old  (1 picture)", "C:\\Trip  (1,234 pictures)", "E:\\Gone  (cannot be read)"}));
  ASSERT_TRUE(d.model.thumbnail().has_value());
  EXPECT_EQ(d.model.thumbnail()->width, 600);

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

TEST(DialogRemove, WithEntriesButNoneSelectedRemovesNothing) {
  Dialog d(fullIni());
  d.model.load();
  d.model.setListIndex(Control::pictureList, -1);
  d.host.messages.clear();
  d.model.onRemovePicture();
  EXPECT_EQ(d.host.messages, Strings{kNothingToRemove});
  EXPECT_EQ(d[Control::pictureList].items.size(), 2u);
  EXPECT_EQ(d[Control::captionList].items.size(), 2u);
  EXPECT_EQ(d[Control::pictureCount].text, "2");
  EXPECT_FALSE(d.model.thumbnail().has_value());  // the box is cleared all the same
}

TEST(DialogRemove, RemovingEntryIMovesLaterPicturesAndCaptionsUp) {
  std::string ini = "[total]\r\ntotal=5\r\n[images]\r\n";
  for (int i = 0; i < 5; ++i) ini += std::to_string(i) + "=p" + std::to_string(i) + "\r\n";
  ini += "[caption]\r\n";
  for (int i = 0; i < 5; ++i) ini += std::to_string(i) + "=c" + std::to_string(i) + "\r\n";
  for (int removed = 0; removed < 5; ++removed) {
    SCOPED_TRACE(removed);
    Dialog d(ini);
    for (int i = 0; i < 5; ++i) d.host.pictureFiles.sizes["p" + std::to_string(i)] = {10, 10};
    d.model.load();
    d.model.setListIndex(Control::pictureList, removed);
    d.model.click(Control::removeButton);
    Strings paths, captions;
    for (int i = 0; i < 5; ++i)
      if (i != removed) {
        paths.push_back("p" + std::to_string(i));
        captions.push_back("c" + std::to_string(i));
      }
    EXPECT_EQ(d[Control::pictureList].items, paths);
    EXPECT_EQ(d[Control::captionList].items, captions);
    const int selected = removed == 0 ? 0 : removed - 1;
    EXPECT_EQ(d[Control::pictureList].value, selected);
    EXPECT_EQ(d[Control::captionText].text, captions[static_cast<std::size_t>(selected)]);
  }
}

TEST(DialogRemoveAll, NoChangesNothing) {
  Dialog d(fullIni());
  d.model.load();
  d.host.changes.clear();
  d.host.clearLog();
  d.host.yesNoAnswers = {false};
  d.model.click(Control::removeAllButton);
  EXPECT_EQ(d.host.log, (Strings{"react removeAllButton", "ask Do you really want to remove all loaded images?"}));
  EXPECT_TRUE(d.host.changes.empty());
  EXPECT_EQ(d[Control::pictureList].items.size(), 2u);
  EXPECT_EQ(d[Control::captionList].items, (Strings{"First", "Second"}));
  EXPECT_EQ(d[Control::pictureList].value, 0);
  EXPECT_EQ(d[Control::captionText].text, "First");
  EXPECT_EQ(d[Control::pictureCount].text, "2");
  EXPECT_TRUE(d.model.thumbnail().has_value());
}

TEST(DialogRemoveAll, YesEmptiesBothListsTheCaptionAndThePreview) {
  Dialog d(fullIni());
  d.model.load();
  const PicturePtr held = d.model.loadedPicture();
  d.host.yesNoAnswers = {true};
  d.model.click(Control::removeAllButton);
  EXPECT_TRUE(d[Control::pictureList].items.empty());
  EXPECT_TRUE(d[Control::captionList].items.empty());
  EXPECT_EQ(d[Control::pictureList].value, -1);
  EXPECT_EQ(d[Control::captionText].text, "");
  EXPECT_EQ(d[Control::pictureCount].text, "0");
  EXPECT_FALSE(d.model.thumbnail().has_value());
  EXPECT_EQ(d.model.loadedPicture(), held);  // the holder keeps its picture
  EXPECT_TRUE(d.host.messages.empty());

  // Then OK finds nothing to save.
  d.model.onOk();
  EXPECT_EQ(d.host.messages, Strings{kNoImages});
}

TEST(DialogCaption, TypedWithAnEmptyListShowsTheMessageOnceForEachKeystroke) {
  Dialog d(kEmpty);
  d.model.load();
  d.host.clearLog();
  d.model.setText(Control::captionText, "a");
  EXPECT_EQ(d.host.messages, Strings{kLoadImageFirst});
  EXPECT_EQ(d[Control::captionText].text, "");
  EXPECT_TRUE(d[Control::captionList].items.empty());
  // Emptying the box raised the reaction again, which did nothing.
  EXPECT_EQ(d.host.reactions(), (Controls{Control::captionText, Control::captionText}));
}

TEST(DialogCaption, EveryKeystrokeIsStored) {
  Dialog d(fullIni());
  d.model.load();
  std::string typed;
  for (char c : std::string("Sun")) {
    typed += c;
    d.model.setText(Control::captionText, typed);
    EXPECT_EQ(d[Control::captionList].items[0], typed);
  }
  EXPECT_EQ(d[Control::captionList].items[1], "Second");
}

TEST(DialogCaption, ClearEmptiesTheSelectedCaptionOnly) {
  Dialog d(fullIni());
  d.model.load();
  d.model.setListIndex(Control::pictureList, 1);
  d.model.click(Control::clearCaptionButton);
  EXPECT_EQ(d[Control::captionText].text, "");
  EXPECT_EQ(d[Control::captionList].items, (Strings{"First", ""}));
  d.model.setListIndex(Control::pictureList, 0);
  EXPECT_EQ(d[Control::captionText].text, "First");
  EXPECT_TRUE(d.host.messages.empty());
}

TEST(DialogCaption, ClearWithAnEmptyListDoesNothing) {
  Dialog d(kEmpty);
  d.model.load();
  d.model.click(Control::clearCaptionButton);
  EXPECT_TRUE(d.host.messages.empty());
  EXPECT_TRUE(d[Control::captionList].items.empty());
}

TEST(DialogThumbnail, SmallPictureIsShownAtItsOwnSize) {
  Dialog d(fullIni());
  d.model.load();
  d.model.setListIndex(Control::pictureList, 1);  // 100 x 80 pixels
  ASSERT_TRUE(d.model.thumbnail().has_value());
  EXPECT_EQ(d.model.thumbnail()->width, 1500);
  EXPECT_EQ(d.model.thumbnail()->height, 1200);
}

TEST(DialogThumbnail, BoundaryAndRoundingRows) {
  struct Row {
    int w, h, fittedW, fittedH;
  };
  // 3374 x 1815: the height alone forces a step, whose 1633.5 goes to the
  // even 1634. 1 x 1815: the width stays 1 (0.9 rounds up). 3750 x 2016:
  // one step gives 3375 x 1814, whose width still does not fit.
  const Row rows[] = {
      {3375, 1814, 3038, 1633}, {3374, 1815, 3037, 1634}, {1, 1815, 1, 1634},
      {3375, 1, 3038, 1},       {3750, 2016, 3038, 1633},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.w) + "x" + std::to_string(r.h));
    const Thumbnail t = fitThumbnail(nullptr, r.w, r.h);
    EXPECT_EQ(t.width, r.fittedW);
    EXPECT_EQ(t.height, r.fittedH);
    EXPECT_LE(t.width, 3374);
    EXPECT_LE(t.height, 1814);
  }
}

}  // namespace
}  // namespace lumova::dialog
