// Host, timers and the saver window's controls, recording what the logic
// asked of them.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/host.h"
#include "common/timers.h"
#include "saver/saver_view.h"

namespace lumova::fakes {

// One ordered log shared by the fakes of a test, so the order of calls across
// different seams can be checked.
using CallLog = std::vector<std::string>;

class FakeHost : public Host {
 public:
  explicit FakeHost(CallLog& log, std::int32_t platform = 2) : log_(log), platform_(platform) {}
  std::int32_t platformId() override {
    log_.push_back("readPlatform");
    return platform_;
  }
  void parkPointer() override { log_.push_back("parkPointer"); }
  void raiseSaverWindow() override { log_.push_back("raise"); }
  void lowerSaverWindow() override { log_.push_back("lower"); }
  void setScreenSaverRunning(bool on) override { log_.push_back(on ? "lock on" : "lock off"); }
  void endProgram() override {
    log_.push_back("end");
    ended = true;
  }
  std::optional<std::string> readFileStart(const std::string& path, std::size_t maxBytes) override {
    auto it = fileStarts.find(path);
    if (it == fileStarts.end()) return std::nullopt;
    return it->second.substr(0, maxBytes);
  }
  std::optional<CalendarDate> fileModifiedDate(const std::string& path) override {
    auto it = modified.find(path);
    if (it == modified.end()) return std::nullopt;
    return it->second;
  }
  // Day, month and year in numbers, as no locale writes them.
  std::string longDate(const CalendarDate& d) override {
    return "long " + std::to_string(d.day) + "/" + std::to_string(d.month) + "/" + std::to_string(d.year);
  }
  // Hours and minutes in two digits each.
  std::string shortTime(int hour, int minute) override {
    const auto two = [](int n) { return std::string(n < 10 ? "0" : "") + std::to_string(n); };
    return two(hour) + ":" + two(minute);
  }
  CalendarDate today() override { return todayIs; }
  bool ended = false;
  CalendarDate todayIs{2026, 12, 9};
  std::map<std::string, std::string> fileStarts;  // path -> its bytes
  std::map<std::string, CalendarDate> modified;   // path -> last written

 private:
  CallLog& log_;
  std::int32_t platform_;
};

class RecordingSaverWindow : public saver::SaverWindowControl {
 public:
  explicit RecordingSaverWindow(CallLog& log) : log_(log) {}
  void show() override { log_.push_back("show"); }
  void setInputEnabled(bool enabled) override { log_.push_back(enabled ? "enable" : "disable"); }

 private:
  CallLog& log_;
};

class RecordingTimers : public Timers {
 public:
  explicit RecordingTimers(CallLog& log) : log_(log) {}
  std::map<TimerId, std::uint32_t> active;
  void set(TimerId id, std::uint32_t ms) override {
    log_.push_back("timer" + std::to_string(static_cast<int>(id)) + " " + std::to_string(ms));
    active[id] = ms;
  }
  void kill(TimerId id) override {
    log_.push_back("timer" + std::to_string(static_cast<int>(id)) + " off");
    active.erase(id);
  }

 private:
  CallLog& log_;
};

}  // namespace lumova::fakes
