#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "picture/folder_scan.h"
#include "picture/folder_worker.h"
#include "picture/missing_decoders.h"
#include "picture/picture_formats.h"
#include "tests/fakes/fake_folders.h"

namespace lumova {
namespace {

using Strings = std::vector<std::string>;

TEST(PictureFormats, DecoderExtensionListsBecomeOneListOfExtensions) {
  struct Row {
    std::string list;
    Strings added;  // to {".gif"}
  };
  const Row rows[] = {
      {".bmp,.dib,.rle", {".gif", ".bmp", ".dib", ".rle"}},      // commas
      {".jpg;.jpeg;.jfif", {".gif", ".jpg", ".jpeg", ".jfif"}},  // semicolons
      {".TIF;.Tiff", {".gif", ".tif", ".tiff"}},                 // case
      {".GIF,.png;.png", {".gif", ".png"}},                      // duplicates
      {";;.heic,,; .avif ;", {".gif", ".heic", ".avif"}},        // empty entries, blanks
      {"*.webp;jxl", {".gif", ".webp", ".jxl"}},                 // a pattern, no dot
      {"*;.a?c;.x\\y;..;.", {".gif"}},                           // no extension at all
      {"", {".gif"}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.list);
    Strings into{".gif"};
    addFileExtensions(r.list, into);
    EXPECT_EQ(into, r.added);
  }
  EXPECT_EQ(pictureExtensions({".JPG;.jpeg", ".png"}),
            (Strings{".gif", ".jpg", ".bmp", ".jif", ".dib", ".jpeg", ".png"}));
  EXPECT_EQ(allPicturesFilter({".gif", ".png"}), "All pictures|*.gif;*.png");
}

// Which files no installed decoder opens, and the notes that say what to install.
TEST(PictureFormats, FilesNoDecoderOpensAreNamedWithWhatToInstall) {
  const struct {
    Strings installed;  // the decoders' extensions
    std::vector<std::pair<std::string, std::size_t>> files;
    std::string note;
  } rows[] = {
      {{".jpg"},
       {{".HEIC", 1234}, {".webp", 1}},
       "1,234 HEIC files need the HEIF Image Extensions; 1 WebP file needs the WebP Image Extensions"},
      {{".heic", ".heif"}, {{".heic", 3}, {".hif", 2}}, "2 HEIF files need the HEIF Image Extensions"},
      {{".webp"}, {{".webp", 9}, {".jpg", 4}}, ""},  // opened, or no format of the table
      {{".nef"}, {{".nef", 1}, {".CR3", 2}, {".dng", 1}}, "3 RAW files need the Raw Image Extension"},
      {{},
       {{".avif", 2}, {".jxl", 1}},
       "2 AVIF files need the AV1 Video Extension; 1 JPEG XL file needs the JPEG XL Image Extension"},
  };
  for (const auto& r : rows) {
    const MissingDecoders missing(r.installed);
    std::vector<std::size_t> counts(unopenedFormats().size());
    for (const auto& [ext, n] : r.files)
      if (const auto f = missing.formatOf(ext)) counts[*f] += n;
    EXPECT_EQ(missingDecoderNote(counts), r.note);
  }
  std::vector<std::size_t> counts(unopenedFormats().size());
  EXPECT_EQ(missingDecoderAdvice(counts), "");
  counts[0] = counts[1] = counts[3] = 1;
  EXPECT_EQ(missingDecoderAdvice(counts),
            "Install from the Microsoft Store: HEIF Image Extensions (HEIC, HEIF), WebP Image Extensions (WebP)");
}

// The scan over a fake tree: every row is an entry of it, listed out of
// order; `shown` rows are the pictures expected, in the order of the table.
TEST(FolderScan, OrderAndRules) {
  const std::string longName(120, 'n');  // three of them make a path beyond MAX_PATH
  enum Kind { File, Hidden, Folder, Junction, Symlink, Cloud, Unreadable, CutShort };
  struct Row {
    std::string path;
    Kind kind;
    bool shown;
  };
  const Row rows[] = {
      {"C:\\P\\Alps\\peak.bmp", File, true},  // a subfolder sorts as "Alps\": before "Alps-2"
      {"C:\\P\\Alps-2.jpg", File, true},
      {"C:\\P\\alps.PNG", File, true},  // case aside, extensions of the decoders
      {"C:\\P\\Beach\\sand.jpg", File, true},
      {"C:\\P\\Beach\\Thumbs.jpg", Hidden, false},  // hidden and system files
      {"C:\\P\\Beach\\IMG_1.HEIC", File, false},    // counted, not shown
      {"C:\\P\\Beach\\IMG_2.heic", Hidden, false},
      {"C:\\P\\Cloud", Cloud, false},  // a synced folder is entered
      {"C:\\P\\Cloud\\synced.tif", File, true},
      {"C:\\P\\" + longName + "\\" + longName + "\\" + longName + ".jpg", File, true},
      {"C:\\P\\Loop", Junction, false},  // back to the top: never entered
      {"C:\\P\\Loop\\peak.bmp", File, false},
      {"C:\\P\\Loop\\far.heic", File, false},
      {"C:\\P\\Link", Symlink, false},
      {"C:\\P\\Link\\far.bmp", File, false},
      {"C:\\P\\Locked", Unreadable, false},
      {"C:\\P\\notes.txt", File, false},
      {"C:\\P\\Share", CutShort, false},  // a share gone midway: what it gave is walked, the scan incomplete
      {"C:\\P\\Share\\early.jpg", File, true},
      {"C:\\P\\zebra.Jif", File, true},
      {"C:\\P\\zebra.heic", File, false},
      {"C:\\P\\\u0436.gif", File, true},  // a name in any script, after the Latin ones
  };
  fakes::FakeFolders tree;
  for (int pass = 0; pass < 2; ++pass)  // folders first, so files go inside them
    for (auto it = std::rbegin(rows); it != std::rend(rows); ++it) {
      const bool folder = it->kind >= Folder;
      if (folder != (pass == 0)) continue;
      if (it->kind == File) tree.addFile(it->path);
      if (it->kind == Hidden) tree.addFile(it->path, true);
      if (it->kind == Folder || it->kind == Unreadable || it->kind == CutShort) tree.addFolder(it->path);
      if (it->kind == Unreadable) tree.unreadable.insert(it->path);
      if (it->kind == CutShort) tree.cutShort.insert(it->path);
      if (it->kind == Junction) tree.addFolder(it->path, kReparseMountPoint);
      if (it->kind == Symlink) tree.addFolder(it->path, kReparseSymlink);
      if (it->kind == Cloud) tree.addFolder(it->path, kReparseCloud | 0x3000);
    }
  Strings expected;
  for (const Row& r : rows)
    if (r.shown) expected.push_back(r.path);

  const Strings extensions{".gif", ".jpg", ".bmp", ".jif", ".png", ".tif"};
  const FolderScan scan = scanPictures(tree, "C:\\P", extensions);
  EXPECT_EQ(scan.pictures, expected);
  EXPECT_EQ(scan.unreadableFolders, 1u);
  EXPECT_FALSE(scan.complete);
  for (const char* never : {"C:\\P\\Loop", "C:\\P\\Link"})
    EXPECT_EQ(std::count(tree.listed.begin(), tree.listed.end(), never), 0) << never;
  Strings walked;
  const WalkStats counted = walkPictures(tree, "C:\\P", extensions, [&](std::string&& p) { walked.push_back(p); },
                                         nullptr, {".webp", ".heic"});
  EXPECT_EQ(counted.counted, (std::vector<std::size_t>{0, 2})) << "by the same rules as the pictures";
  EXPECT_EQ(walked, expected);

  // The top folder missing or a file: nothing, and said so.
  tree.listed.clear();
  const WalkStats missing = walkPictures(tree, "C:\\P\\notes.txt", extensions, [](std::string&&) {});
  EXPECT_FALSE(missing.rootReadable);
  EXPECT_EQ(missing.pictures, 0u);
}

TEST(FolderWorker, WalksTheFoldersInOrderOnItsThreadAndCountsOnly) {
  auto tree = std::make_shared<fakes::FakeFolders>();
  for (const char* p : {"C:\\A\\2.jpg", "C:\\A\\1.jpg", "C:\\A\\sub\\0.jpg", "C:\\B\\x.gif", "C:\\B\\y.webp"})
    tree->addFile(p);
  for (const auto keep : {FolderWorker::Keep::Paths, FolderWorker::Keep::FirstOnly}) {
    std::atomic<int> wakes{0};
    FolderWorker worker(tree, {".jpg", ".gif"}, keep, [&] { ++wakes; }, kFolderPassAfter, {".webp"});
    worker.start({"C:\\A", "C:\\Gone", "C:\\B"});
    Strings pictures;
    std::vector<std::size_t> counts(3), done(3), readable(3), webp(3);
    bool jobDone = false;
    for (int wait = 0; wait < 20000 && !jobDone; ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      for (const FolderFinding& f : worker.take()) {
        pictures.insert(pictures.end(), f.pictures.begin(), f.pictures.end());
        counts[f.folder] += f.count;
        done[f.folder] += f.folderDone;
        readable[f.folder] += f.folderDone && f.readable;
        if (f.folderDone && !f.counted.empty()) webp[f.folder] += f.counted[0];
        jobDone = f.jobDone;
      }
    }
    ASSERT_TRUE(jobDone);
    EXPECT_GE(wakes.load(), 1);
    EXPECT_EQ(counts, (std::vector<std::size_t>{3, 0, 1}));
    EXPECT_EQ(done, (std::vector<std::size_t>{1, 1, 1}));
    EXPECT_EQ(readable, (std::vector<std::size_t>{1, 0, 1}));
    EXPECT_EQ(webp, (std::vector<std::size_t>{0, 0, 1}));
    EXPECT_EQ(pictures, keep == FolderWorker::Keep::Paths
                            ? (Strings{"C:\\A\\1.jpg", "C:\\A\\2.jpg", "C:\\A\\sub\\0.jpg", "C:\\B\\x.gif"})
                            : (Strings{"C:\\A\\1.jpg", "C:\\B\\x.gif"}));
  }
}

// Folders whose listing waits until the test lets it go, as a server that
// does not answer.
class HangingFolders : public fakes::FakeFolders {
 public:
  std::set<std::string> hanging;
  std::optional<std::vector<FolderEntry>> list(const std::string& folder) override {
    if (hanging.count(folder) != 0) {
      std::unique_lock lock(mutex_);
      ++waiting_;
      changed_.notify_all();
      changed_.wait(lock, [&] { return open_; });
    }
    return FakeFolders::list(folder);
  }
  bool waitUntilHanging() {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(20), [&] { return waiting_ > 0; });
  }
  void letGo() {
    std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int waiting_ = 0;
  bool open_ = false;
};

// Takes findings until `done` says so or a long while has passed.
template <typename Done>
void takeUntil(FolderWorker& worker, Strings& pictures, std::vector<FolderFinding>& findings, Done done) {
  for (int wait = 0; wait < 20000 && !done(); ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    for (FolderFinding& f : worker.take()) {
      pictures.insert(pictures.end(), f.pictures.begin(), f.pictures.end());
      findings.push_back(std::move(f));
    }
  }
}

TEST(FolderWorker, AFolderThatHangsHoldsUpNeitherTheNextFolderNorTheEnd) {
  auto tree = std::make_shared<HangingFolders>();
  tree->addFile("G:\\Gone\\a.jpg");
  tree->addFile("C:\\B\\b.jpg");
  tree->hanging.insert("G:\\Gone");
  const std::weak_ptr<FolderTree> held = tree;
  auto worker = std::make_unique<FolderWorker>(tree, Strings{".jpg"}, FolderWorker::Keep::Paths, nullptr,
                                               std::chrono::milliseconds(20));
  worker->start({"G:\\Gone", "C:\\B"});
  Strings pictures;
  std::vector<FolderFinding> findings;
  takeUntil(*worker, pictures, findings, [&] { return !pictures.empty(); });
  EXPECT_EQ(pictures, Strings{"C:\\B\\b.jpg"});
  // Ending does not wait for the listing that hangs.
  auto ended = std::async(std::launch::async, [&] { worker.reset(); });
  const bool endedWhileHanging = ended.wait_for(std::chrono::seconds(3)) == std::future_status::ready;
  tree->letGo();
  EXPECT_TRUE(endedWhileHanging);
  ended.wait();
  // The worker left behind ends once its listing answers, and lets go of the tree.
  tree.reset();
  for (int wait = 0; wait < 20000 && !held.expired(); ++wait) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_TRUE(held.expired());
}

TEST(FolderWorker, AScanStartedWhileOneRunsGetsOnlyItsOwnFindings) {
  auto tree = std::make_shared<HangingFolders>();
  for (const char* p : {"C:\\A\\1.jpg", "C:\\A\\sub\\late.jpg", "C:\\A\\z.jpg", "C:\\B\\b.jpg"}) tree->addFile(p);
  tree->hanging.insert("C:\\A\\sub");
  // Never passed: the second scan begins once the first one's walk has stopped.
  FolderWorker worker(tree, {".jpg"}, FolderWorker::Keep::Paths, nullptr, std::chrono::hours(1));
  worker.start({"C:\\A"});
  ASSERT_TRUE(tree->waitUntilHanging());  // 1.jpg found, not taken
  const std::uint64_t second = worker.start({"C:\\B"});
  tree->letGo();
  Strings pictures;
  std::vector<FolderFinding> findings;
  takeUntil(worker, pictures, findings, [&] { return !findings.empty() && findings.back().jobDone; });
  ASSERT_FALSE(findings.empty());
  EXPECT_TRUE(findings.back().jobDone);
  for (const FolderFinding& f : findings) EXPECT_EQ(f.job, second);
  EXPECT_EQ(pictures, Strings{"C:\\B\\b.jpg"});
}

}  // namespace
}  // namespace lumova
