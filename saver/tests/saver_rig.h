// A saver window logic wired to fakes: a recording view, a virtual event
// queue and clock, scripted random values and pictures by path.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "common/message_box.h"
#include "saver/form1.h"
#include "common/module1.h"
#include "tests/fakes/fake_host.h"
#include "tests/fakes/fake_pictures.h"
#include "tests/fakes/memory_file_store.h"
#include "tests/fakes/virtual_time.h"

namespace lumova::testing {

class RecordingMessages : public MessageBoxes {
 public:
  std::vector<std::string> shown;
  MessageAnswer show(const std::string& text, MessageKind) override {
    shown.push_back(text);
    return MessageAnswer::Ok;
  }
};

// The view keeps the state a screen would show and logs changes with the
// virtual time they happened at.
class RecordingView : public saver::SaverView {
 public:
  RecordingView(const fakes::VirtualClock& clock, fakes::CallLog& log) : clock_(clock), log_(log) {}

  double widthTwips = 1024 * 15, heightTwips = 768 * 15, tppX = 15, tppY = 15;
  saver::CaptionFont font;
  std::uint32_t captionColor = 0;
  bool pictureVisible = false, captionVisible = false, unloaded = false;
  saver::TwipRect pictureRect;
  std::string captionText;
  double captionLeft = 0, captionWidth = 0, captionHeight = 0;
  PicturePtr source;
  std::vector<int> effects;                     // effects played, in order
  bool failEffect = false;                      // playEffect reports a picture too high to reveal
  std::vector<std::pair<double, int>> reveals;  // (time, width px) of each commit
  std::vector<saver::TwipRect> moves;           // every setPictureRect

  double screenWidth() const override { return widthTwips; }
  double screenHeight() const override { return heightTwips; }
  double twipsPerPixelX() const override { return tppX; }
  double twipsPerPixelY() const override { return tppY; }
  void setBackColor(std::uint32_t rgb) override { log("backColor " + std::to_string(rgb)); }
  void snapshotDesktop() override { log("snapshot"); }
  void setCaptionFont(const saver::CaptionFont& f) override {
    font = f;
    log("captionFont");
  }
  void setCaptionColor(std::uint32_t rgb) override {
    captionColor = rgb;
    log("captionColor " + std::to_string(rgb));
  }
  void setCaptionTop(double t) override { log("captionTop " + std::to_string(static_cast<int>(t))); }
  void setCaptionVisible(bool v) override { captionVisible = v; }
  double captionLineHeight() const override { return 20 * tppY; }
  saver::TwipSize setCaptionText(const std::string& text) override {
    captionText = text;
    // 10 px a character, 20 px high; an empty label keeps one line's height.
    return {text.size() * 10 * tppX, 20 * tppY};
  }
  void setCaptionGeometry(double left, double width, double height) override {
    captionLeft = left, captionWidth = width, captionHeight = height;
  }
  void clearPictures() override { log("clear"); }
  void setSourcePicture(PicturePtr p) override { source = std::move(p); }
  void setPictureVisible(bool v) override { pictureVisible = v; }
  void setPictureRect(const saver::TwipRect& r) override {
    pictureRect = r;
    moves.push_back(r);
  }
  bool playEffect(int effect) override {
    effects.push_back(effect);
    return !failEffect;
  }
  void commitPicture() override {
    reveals.emplace_back(clock_.now, source ? source->width() : -1);
    log("commit");
  }
  void unload() override {
    unloaded = true;
    log("unload");
  }

 private:
  void log(const std::string& s) { log_.push_back(s); }
  const fakes::VirtualClock& clock_;
  fakes::CallLog& log_;
};

// Settings reads land in the shared log too, to check what came first.
class LoggedFiles : public fakes::MemoryFileStore {
 public:
  explicit LoggedFiles(fakes::CallLog& log) : shared_(log) {}
  std::optional<std::string> read(const std::string& path, settings::ReadError& error) override {
    shared_.push_back("read settings");
    return MemoryFileStore::read(path, error);
  }

 private:
  fakes::CallLog& shared_;
};

struct SaverRig {
  fakes::CallLog log;
  fakes::VirtualClock clock;
  fakes::VirtualEventQueue queue{clock};
  RecordingView view{clock, log};
  fakes::FakeHost host;
  fakes::ScriptedRandom random;
  fakes::FakePictures pictures;
  RecordingMessages messages;
  Module1 module1;
  LoggedFiles files{log};
  std::vector<std::string> prefetched;         // the paths
  std::vector<PictureRequest> prefetchRequests;
  saver::Form1 form;

  explicit SaverRig(const std::string& ini, std::int32_t platform = 2)
      : host(log, platform),
        form(saver::Form1Deps{view, queue, host, queue, clock, random, pictures, messages, module1, files, "C:\\Saver",
                              [this](const PictureRequest& r) {
                                prefetched.push_back(r.path);
                                prefetchRequests.push_back(r);
                              }}) {
    if (!ini.empty()) files.files["C:\\Saver\\zbfaone.ini"] = ini;
    queue.log = &log;
    queue.onTimer = [this](TimerId id) {
      if (!host.ended) form.onTimer(id);
    };
  }

  void load() { form.Form_Load(); }
  void runFor(double s) { queue.runFor(s); }
};

// A settings file from a picture list and option lines.
inline std::string iniWith(const std::vector<std::pair<std::string, std::string>>& pictures,
                           const std::string& imageOptions) {
  std::string s = "[total]\r\ntotal=" + std::to_string(pictures.size()) + "\r\n[images]\r\n";
  for (std::size_t i = 0; i < pictures.size(); ++i) s += std::to_string(i) + "=" + pictures[i].first + "\r\n";
  s += "[caption]\r\n";
  for (std::size_t i = 0; i < pictures.size(); ++i) s += std::to_string(i) + "=" + pictures[i].second + "\r\n";
  s += "[image]\r\n" + imageOptions;
  return s;
}

}  // namespace lumova::testing
