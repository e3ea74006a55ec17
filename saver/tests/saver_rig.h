// A saver window logic wired to fakes: a recording view, a virtual event
// queue and clock, scripted random values and pictures by path.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/message_box.h"
#include "saver/slideshow.h"
#include "common/protection.h"
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

// A monitor of the view keeps the state a screen would show and logs
// changes with the virtual time they happened at; monitors after the
// primary prefix their log lines with "m1 ", "m2 " and so on.
class RecordingMonitor : public saver::MonitorView {
 public:
  RecordingMonitor(const fakes::VirtualClock& clock, fakes::CallLog& log, std::string prefix = {})
      : clock_(clock), log_(log), prefix_(std::move(prefix)) {}

  double widthTwips = 1024 * 15, heightTwips = 768 * 15, tppX = 15, tppY = 15;
  saver::CaptionFont font;
  std::uint32_t captionColor = 0;
  bool pictureVisible = false, captionVisible = false;
  saver::TwipRect pictureRect;
  std::string captionText;
  double captionLeft = 0, captionWidth = 0, captionHeight = 0;
  PicturePtr source, surround, partner, partnerSurround;
  saver::TwipRect partnerRect;
  std::vector<int> effects;                     // effects played, in order
  bool failEffect = false;                      // its effect reports a picture too high to reveal
  std::vector<std::pair<double, int>> reveals;  // (time, width px) of each commit
  std::vector<saver::TwipRect> moves;           // every setPictureRect
  std::vector<std::string> shown;               // the path of each committed picture
  std::vector<std::pair<effects::PanZoomPath, double>> panZooms;
  bool paused = false;
  std::string details;
  int panZoomHolds = 0;
  // The clock as shown: its text (empty: none) and place; every change of either.
  std::string clockText;
  saver::TwipRect clockRect;
  std::vector<std::pair<double, std::string>> clockShown;  // (time, text)

  double screenWidth() const override { return widthTwips; }
  double screenHeight() const override { return heightTwips; }
  double twipsPerPixelX() const override { return tppX; }
  double twipsPerPixelY() const override { return tppY; }
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
  void setSourcePicture(PicturePtr p) override {
    source = std::move(p);
    surround.reset();
    partner.reset();
  }
  void setSourcePartner(PicturePtr p, PicturePtr s, const saver::TwipRect& r) override {
    partner = std::move(p);
    partnerSurround = std::move(s);
    partnerRect = r;
  }
  saver::TwipSize setPartnerCaptionText(const std::string& text) override {
    return {text.size() * 10 * tppX, 20 * tppY};
  }
  void setPartnerCaptionGeometry(double, double, double) override {}
  void setSourceSurround(PicturePtr p) override { surround = std::move(p); }
  void setPictureVisible(bool v) override { pictureVisible = v; }
  void setPictureRect(const saver::TwipRect& r) override {
    pictureRect = r;
    moves.push_back(r);
  }
  void setPanZoom(const effects::PanZoomPath& path, double seconds) override { panZooms.emplace_back(path, seconds); }
  void setPaused(bool on) override { paused = on; }
  void setDetails(const std::string& text) override { details = text; }
  void holdPanZoom() override {
    ++panZoomHolds;
    log("hold");
  }
  // 5 px a character, 10 px high.
  saver::TwipSize clockSize(const std::string& text) override { return {text.size() * 5 * tppX, 10 * tppY}; }
  void setClock(const std::string& text, const saver::TwipRect& where) override {
    if (text == clockText && where == clockRect) return;
    clockText = text;
    clockRect = where;
    clockShown.emplace_back(clock_.now, text);
    log("clock " + text);
  }
  void commitPicture() override {
    reveals.emplace_back(clock_.now, source ? source->width() : -1);
    if (auto* named = dynamic_cast<const fakes::NamedPicture*>(source.get())) shown.push_back(named->path);
    if (auto* named = dynamic_cast<const fakes::NamedPicture*>(partner.get())) shown.push_back("+" + named->path);
    log("commit");
  }

 protected:
  void log(const std::string& s) { log_.push_back(prefix_ + s); }

 private:
  const fakes::VirtualClock& clock_;
  fakes::CallLog& log_;
  std::string prefix_;
};

// The saver window: the primary monitor is the view itself; `others` are
// the monitors after it.
class RecordingView : public saver::SaverView, public RecordingMonitor {
 public:
  RecordingView(const fakes::VirtualClock& clock, fakes::CallLog& log)
      : RecordingMonitor(clock, log), clock_(clock), log_(log) {}

  bool unloaded = false;
  std::vector<std::unique_ptr<RecordingMonitor>> others;
  std::vector<std::vector<int>> effectFrames;  // each playEffects call's effects
  std::vector<std::vector<saver::TwipRect>> crossfades;
  std::vector<std::string> captionsAtHalfway;  // the primary's, each crossfade

  RecordingMonitor& addMonitor(int widthPx, int heightPx) {
    others.push_back(std::make_unique<RecordingMonitor>(clock_, log_, "m" + std::to_string(others.size() + 1) + " "));
    others.back()->widthTwips = widthPx * 15;
    others.back()->heightTwips = heightPx * 15;
    return *others.back();
  }
  RecordingMonitor& at(std::size_t i) { return i == 0 ? *this : *others[i - 1]; }

  void setBackColor(std::uint32_t rgb) override { log("backColor " + std::to_string(rgb)); }
  void snapshotDesktop() override { log("snapshot"); }
  std::size_t monitorCount() const override { return 1 + others.size(); }
  saver::MonitorView& monitor(std::size_t i) override { return at(i); }
  std::optional<std::size_t> playEffects(const std::vector<int>& e) override {
    effectFrames.push_back(e);
    for (std::size_t i = 0; i < e.size(); ++i) {
      if (e[i] != 0) at(i).effects.push_back(e[i]);
      if (e[i] != 0 && at(i).failEffect) return i;
    }
    return std::nullopt;
  }
  void playCrossfade(const std::vector<saver::TwipRect>& to, const std::function<void()>& halfway) override {
    crossfades.push_back(to);
    log("crossfade");
    halfway();
    captionsAtHalfway.push_back(captionText);
    for (std::size_t i = 0; i < to.size(); ++i) at(i).pictureVisible = true;
  }
  void unload() override {
    unloaded = true;
    log("unload");
  }
  void setDisplayAsleep(bool asleep) override { log(asleep ? "asleep" : "awake"); }

 private:
  const fakes::VirtualClock& clock_;
  fakes::CallLog& log_;
};

// Settings reads land in the shared log too, to check what came first;
// other files by their name.
class LoggedFiles : public fakes::MemoryFileStore {
 public:
  explicit LoggedFiles(fakes::CallLog& log) : shared_(log) {}
  std::optional<std::string> read(const std::string& path, settings::ReadError& error) override {
    const std::string name = path.substr(path.rfind('\\') + 1);
    shared_.push_back(name == "zbfaone.ini" ? "read settings" : "read " + name);
    return MemoryFileStore::read(path, error);
  }

 private:
  fakes::CallLog& shared_;
};

// The folder scan as the saver asks for it; the tests hand over what it
// finds through Slideshow::foldersFound and foldersScanned.
class RecordingFolderSource : public saver::FolderSource {
 public:
  std::vector<std::vector<std::string>> scans;
  void scan(const std::vector<std::string>& folders) override { scans.push_back(folders); }
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
  Protection protection;
  LoggedFiles files{log};
  std::vector<std::string> prefetched;  // the paths
  std::vector<PictureRequest> prefetchRequests;
  RecordingFolderSource folderSource;
  std::map<std::string, PictureSize> upright;  // the pictures' sizes upright, where known
  saver::Slideshow form;

  explicit SaverRig(const std::string& ini, std::int32_t platform = 2)
      : host(log, platform),
        form(saver::SlideshowDeps{view, queue, host, queue, clock, random, pictures, messages, protection, files, "C:\\Saver",
                              [this](const std::vector<PictureRequest>& next) {
                                for (const PictureRequest& r : next) {
                                  prefetched.push_back(r.path);
                                  prefetchRequests.push_back(r);
                                }
                              },
                              [this](const std::string& path) -> std::optional<PictureSize> {
                                const auto it = upright.find(path);
                                if (it == upright.end()) return std::nullopt;
                                return it->second;
                              },
                              nullptr, nullptr, &folderSource}) {
    if (!ini.empty()) files.files["C:\\Saver\\zbfaone.ini"] = ini;
    queue.log = &log;
    queue.onTimer = [this](TimerId id) {
      if (!host.ended) form.onTimer(id);
    };
  }

  void load() { form.start(); }
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
