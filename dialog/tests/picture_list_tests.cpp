// The "Image Files" tab: adding through the file-open dialog, removing one
// or all pictures, and captions.
#include <gtest/gtest.h>

#include <algorithm>
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

TEST(DialogList, SelectingAMissingPictureKeepsThePreviousOne) {
  Dialog d(fullIni("images/1=C:\\Gone\\b.gif"));
  d.model.load();
  const PicturePtr first = d.model.loadedPicture();
  ASSERT_TRUE(first);
  d.model.setListIndex(Control::pictureList, 1);
  EXPECT_EQ(d.host.messages, Strings{kImageNotFound});
  EXPECT_EQ(d[Control::captionText].text, "Second");
  ASSERT_TRUE(d.model.thumbnail().has_value());
  EXPECT_EQ(d.model.thumbnail()->picture, first);
}

TEST(DialogRemove, SelectsTheNeighbourAndKeepsCaptionsPaired) {
  struct Row {
    int count, selected;
    int selectedAfter;
    std::string captionAfter;
  };
  const Row rows[] = {
      {3, 0, 0, "c1"},  // the one that followed
      {3, 2, 1, "c1"},  // the one before
      {3, 1, 0, "c0"},
      {1, 0, -1, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.count) + " remove " + std::to_string(r.selected));
    std::string ini = "[total]\r\ntotal=" + std::to_string(r.count) + "\r\n[images]\r\n";
    for (int i = 0; i < r.count; ++i) ini += std::to_string(i) + "=p" + std::to_string(i) + "\r\n";
    ini += "[caption]\r\n";
    for (int i = 0; i < r.count; ++i) ini += std::to_string(i) + "=c" + std::to_string(i) + "\r\n";
    Dialog d(ini);
    for (int i = 0; i < r.count; ++i) d.host.pictureFiles.sizes["p" + std::to_string(i)] = {10, 10};
    d.model.load();
    d.model.setListIndex(Control::pictureList, r.selected);
    d.model.onRemovePicture();
    const auto& list = d[Control::pictureList];
    const auto& captions = d[Control::captionList].items;
    ASSERT_EQ(list.items.size(), static_cast<std::size_t>(r.count - 1));
    ASSERT_EQ(captions.size(), list.items.size());
    for (std::size_t i = 0; i < list.items.size(); ++i) EXPECT_EQ("c" + list.items[i].substr(1), captions[i]);
    EXPECT_EQ(list.value, r.selectedAfter);
    EXPECT_EQ(d[Control::captionText].text, r.captionAfter);
    EXPECT_EQ(d[Control::pictureCount].text, std::to_string(r.count - 1));
    EXPECT_EQ(d.model.thumbnail().has_value(), r.count > 1);
  }
}

TEST(DialogRemove, NothingToRemove) {
  Dialog d(fullIni("total/total=0"));
  d.model.load();
  d.model.onRemovePicture();
  EXPECT_EQ(d.host.messages, Strings{kNothingToRemove});
}

TEST(DialogCaption, TypingIsStoredForTheSelectedPicture) {
  Dialog d(fullIni());
  d.model.load();
  d.model.setListIndex(Control::pictureList, 1);
  d.model.setText(Control::captionText, "New words");
  d.model.setListIndex(Control::pictureList, 0);
  EXPECT_EQ(d[Control::captionText].text, "First");
  d.model.setListIndex(Control::pictureList, 1);
  EXPECT_EQ(d[Control::captionText].text, "New words");
  EXPECT_EQ(d[Control::captionList].items, (Strings{"First", "New words"}));
}

TEST(DialogCaption, TypingWithAnEmptyListIsRefused) {
  Dialog d(fullIni("total/total=0"));
  d.model.load();
  d.model.setText(Control::captionText, "x");
  EXPECT_EQ(d.host.messages, Strings{kLoadImageFirst});
  EXPECT_EQ(d[Control::captionText].text, "");
}

}  // namespace
}  // namespace lumova::dialog
