#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <map>
#include <memory>
#include <vector>

#include "picture/preloader.h"

namespace lumova {
namespace {

// Which fake pictures exist, by path; a test waits for one to be let go.
class Live {
 public:
  void add(const std::string& path, int delta) {
    std::lock_guard lock(mutex_);
    count_[path] += delta;
    if (delta > 0) made_[path] += delta;
    changed_.notify_all();
  }
  int count(const std::string& path) {
    std::lock_guard lock(mutex_);
    return count_[path];
  }
  // Waits until a picture of `path` has been made and let go again; false
  // when it is still held after a long while (the preloader kept it).
  bool waitUntilGone(const std::string& path) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(20), [&] { return made_[path] > 0 && count_[path] == 0; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<std::string, int> count_;
  std::map<std::string, int> made_;
};

class FakePicture final : public Picture {
 public:
  FakePicture(std::string path, int serial, std::shared_ptr<Live> live)
      : path_(std::move(path)), serial_(serial), live_(std::move(live)) {
    live_->add(path_, 1);
  }
  ~FakePicture() override { live_->add(path_, -1); }
  int width() const override { return serial_; }
  int height() const override { return 1; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  int serial_;
  std::shared_ptr<Live> live_;
};

// Counts its decodes and where they ran; while closed, a decode waits.
class FakeDecoder final : public PictureLoader {
 public:
  struct Call {
    std::string path;
    std::thread::id thread;
  };

  PictureLoad load(const PictureRequest& request) override {
    const std::string& path = request.path;
    std::unique_lock lock(mutex_);
    calls_.push_back({path, std::this_thread::get_id()});
    changed_.notify_all();
    changed_.wait(lock, [&] { return open_; });
    if (auto it = errors_.find(path); it != errors_.end()) return {nullptr, it->second};
    return {std::make_shared<FakePicture>(path, ++serial_, live_), PictureError::None};
  }

  void setOpen(bool open) {
    std::lock_guard lock(mutex_);
    open_ = open;
    changed_.notify_all();
  }
  void fail(const std::string& path, PictureError error) {
    std::lock_guard lock(mutex_);
    errors_[path] = error;
  }
  // Waits until `n` decodes have begun.
  void waitForCalls(std::size_t n) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return calls_.size() >= n; });
  }
  std::vector<Call> calls() {
    std::lock_guard lock(mutex_);
    return calls_;
  }
  Live& live() { return *live_; }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = true;
  int serial_ = 0;
  std::vector<Call> calls_;
  std::map<std::string, PictureError> errors_;
  std::shared_ptr<Live> live_ = std::make_shared<Live>();
};

class FakeStamps final : public FileStamps {
 public:
  std::optional<FileStamp> stamp(const std::string& path) override {
    std::lock_guard lock(mutex_);
    auto it = stamps_.find(path);
    return it == stamps_.end() ? std::nullopt : it->second;
  }
  void set(const std::string& path, std::optional<FileStamp> stamp) {
    std::lock_guard lock(mutex_);
    stamps_[path] = stamp;
  }

 private:
  std::mutex mutex_;
  std::map<std::string, std::optional<FileStamp>> stamps_;
};

const std::string& pathOf(const PictureLoad& load) { return static_cast<const FakePicture&>(*load.picture).path(); }

class Preloader : public ::testing::Test {
 protected:
  Preloader() {
    stamps_.set("a.jpg", FileStamp{100, 7});
    stamps_.set("b.jpg", FileStamp{200, 7});
  }
  // Prefetches and waits until the worker has taken the request.
  void prefetchAndWait(const std::string& path) {
    const std::size_t before = decoder_.calls().size();
    preloader_.prefetch(path);
    decoder_.waitForCalls(before + 1);
  }

  FakeDecoder decoder_;
  FakeStamps stamps_;
  PreloadingLoader preloader_{decoder_, stamps_};
};

TEST_F(Preloader, PrefetchedPictureIsHandedOverWithoutASecondDecode) {
  prefetchAndWait("a.jpg");
  preloader_.prefetch("a.jpg");  // asked again: still one decode
  const PictureLoad load = preloader_.load("a.jpg");
  ASSERT_TRUE(load);
  EXPECT_EQ(pathOf(load), "a.jpg");
  const auto calls = decoder_.calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_NE(calls[0].thread, std::this_thread::get_id());
}

TEST_F(Preloader, LoadWaitsForTheDecodeInProgress) {
  decoder_.setOpen(false);
  prefetchAndWait("a.jpg");
  auto pending = std::async(std::launch::async, [&] { return preloader_.load("a.jpg"); });
  decoder_.setOpen(true);
  const PictureLoad load = pending.get();
  ASSERT_TRUE(load);
  EXPECT_EQ(decoder_.calls().size(), 1u);
}

TEST_F(Preloader, FileChangedSincePrefetchIsDecodedAgain) {
  struct Row {
    const char* name;
    std::optional<FileStamp> before, after;
    bool decodedAgain;
  } rows[] = {
      {"unchanged", FileStamp{100, 7}, FileStamp{100, 7}, false},
      {"rewritten", FileStamp{100, 7}, FileStamp{100, 8}, true},
      {"resized", FileStamp{100, 7}, FileStamp{101, 7}, true},
      {"removed", FileStamp{100, 7}, std::nullopt, true},
      {"created", std::nullopt, FileStamp{100, 7}, true},
      {"still missing", std::nullopt, std::nullopt, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FakeDecoder decoder;
    FakeStamps stamps;
    PreloadingLoader preloader(decoder, stamps);
    stamps.set("a.jpg", row.before);
    decoder.setOpen(false);
    preloader.prefetch("a.jpg");
    decoder.waitForCalls(1);  // the stamp is taken before the decode begins
    stamps.set("a.jpg", row.after);
    decoder.setOpen(true);
    const PictureLoad load = preloader.load("a.jpg");
    ASSERT_TRUE(load);
    const auto calls = decoder.calls();
    ASSERT_EQ(calls.size(), row.decodedAgain ? 2u : 1u);
    if (row.decodedAgain) {
      EXPECT_EQ(calls[1].thread, std::this_thread::get_id());
      EXPECT_EQ(load.picture->width(), 2);  // the second decode's picture
    }
  }
}

TEST_F(Preloader, OtherPathIsDecodedAtOnceAndTheGuessDropped) {
  prefetchAndWait("a.jpg");
  const PictureLoad b = preloader_.load("b.jpg");
  ASSERT_TRUE(b);
  EXPECT_EQ(pathOf(b), "b.jpg");
  auto calls = decoder_.calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].thread, std::this_thread::get_id());
  EXPECT_TRUE(decoder_.live().waitUntilGone("a.jpg"));  // only b is held now

  EXPECT_TRUE(preloader_.load("a.jpg"));
  EXPECT_EQ(decoder_.calls().size(), 3u);
}

TEST_F(Preloader, LoadWithoutPrefetchDecodesOnTheCallersThread) {
  const PictureLoad load = preloader_.load("a.jpg");
  ASSERT_TRUE(load);
  ASSERT_EQ(decoder_.calls().size(), 1u);
  EXPECT_EQ(decoder_.calls()[0].thread, std::this_thread::get_id());
}

TEST_F(Preloader, HoldsOnlyTheLatestPrefetch) {
  decoder_.setOpen(false);
  prefetchAndWait("a.jpg");
  preloader_.prefetch("b.jpg");  // a is no longer wanted once its decode ends
  decoder_.setOpen(true);
  EXPECT_TRUE(decoder_.live().waitUntilGone("a.jpg"));
  const PictureLoad b = preloader_.load("b.jpg");
  ASSERT_TRUE(b);
  EXPECT_EQ(pathOf(b), "b.jpg");
  EXPECT_EQ(decoder_.calls().size(), 2u);
}

TEST_F(Preloader, FailedPrefetchSurfacesOnlyWhenItsPathIsLoaded) {
  decoder_.fail("a.jpg", PictureError::NotAPicture);
  prefetchAndWait("a.jpg");
  EXPECT_TRUE(preloader_.load("b.jpg"));  // a's failure is not b's

  prefetchAndWait("a.jpg");
  const PictureLoad a = preloader_.load("a.jpg");
  EXPECT_FALSE(a);
  EXPECT_EQ(a.error, PictureError::NotAPicture);
  EXPECT_EQ(decoder_.calls().size(), 3u);  // the kept failure, not a retry
}

TEST_F(Preloader, DestructionDuringADecodeEndsOnceItFinishes) {
  FakeDecoder decoder;
  FakeStamps stamps;
  auto preloader = std::make_unique<PreloadingLoader>(decoder, stamps);
  decoder.setOpen(false);
  preloader->prefetch("a.jpg");
  decoder.waitForCalls(1);
  preloader->prefetch("b.jpg");  // queued behind a
  auto destroyed = std::async(std::launch::async, [&] { preloader.reset(); });
  decoder.setOpen(true);
  ASSERT_EQ(destroyed.wait_for(std::chrono::seconds(30)), std::future_status::ready);
  EXPECT_LE(decoder.calls().size(), 2u);  // b only when a ended before the destruction began
  EXPECT_EQ(decoder.live().count("a.jpg"), 0);
  EXPECT_EQ(decoder.live().count("b.jpg"), 0);
}

}  // namespace
}  // namespace lumova

namespace lumova {
namespace {

TEST_F(Preloader, OnePrefetchForEachMonitorAllHandedOver) {
  stamps_.set("c.jpg", FileStamp{300, 7});
  preloader_.prefetch(std::vector<PictureRequest>{{"a.jpg", {}}, {"b.jpg", {}}, {"a.jpg", {}}});
  decoder_.waitForCalls(3);
  // Two monitors showing a, one showing b: a picture each, all decoded ahead.
  std::vector<PicturePtr> shown;
  for (const char* path : {"a.jpg", "b.jpg", "a.jpg"}) {
    const PictureLoad load = preloader_.load(path);
    ASSERT_TRUE(load);
    EXPECT_EQ(pathOf(load), path);
    shown.push_back(load.picture);
  }
  EXPECT_NE(shown[0], shown[2]);
  auto calls = decoder_.calls();
  ASSERT_EQ(calls.size(), 3u);
  for (const auto& call : calls) EXPECT_NE(call.thread, std::this_thread::get_id());
  shown.clear();
  // The next change's set replaces this one: a and b are let go.
  preloader_.prefetch(std::vector<PictureRequest>{{"c.jpg", {}}});
  EXPECT_TRUE(decoder_.live().waitUntilGone("a.jpg"));
  EXPECT_TRUE(decoder_.live().waitUntilGone("b.jpg"));
  EXPECT_TRUE(preloader_.load("c.jpg"));
  EXPECT_EQ(decoder_.calls().size(), 4u);
}

}  // namespace
}  // namespace lumova
