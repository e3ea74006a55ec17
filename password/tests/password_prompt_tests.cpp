#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "password/password_prompt.h"
#include "startup/input.h"
#include "common/protection.h"
#include "tests/fakes/fake_host.h"
#include "tests/fakes/virtual_time.h"

namespace lumova::password {
namespace {

using fakes::CallLog;
using startup::SaverState;

// The prompt window as a user would see it: a password box whose text the
// test types into, a note, the notice, and whether it is on the screen.
class FakeView : public PasswordView {
 public:
  explicit FakeView(CallLog& log) : log_(log) {}
  void load() override {
    ++loads;
    log_.push_back("load prompt");
  }
  void setVisible(bool v) override {
    visible = v;
    log_.push_back(v ? "show prompt" : "hide prompt");
  }
  std::string passwordText() const override { return password; }
  void setPasswordText(const std::string& text) override { password = text; }
  void setNoticeVisible(bool v) override { notice = v; }

  int loads = 0;
  bool visible = false;
  bool notice = false;
  std::string password = "left over";  // whatever a new box might hold before the first load
  std::string notes = " \r\n";

 private:
  CallLog& log_;
};

struct Rig {
  explicit Rig(std::string saverPassword = "Secret", std::int32_t platform = 1) : host(log, platform) {
    protection.platformId = platform;
    protection.enabled = "1";
    protection.password = std::move(saverPassword);
    session.attachPrompt(prompt);
  }
  CallLog log;
  fakes::FakeHost host;
  fakes::VirtualClock clock;
  Protection protection;
  fakes::RecordingSaverWindow window{log};
  saver::RunState run;
  startup::SaverSession session{startup::SaverSessionDeps{protection, host, clock, window, run}};
  FakeView view{log};
  PasswordPrompt prompt{view, protection.password, session};

  // Characters into the password box: the handler sees each one first,
  // then the box takes it (a single-line box takes no Enter).
  void typePassword(const std::string& text) {
    for (char c : text) {
      prompt.onPasswordKey(static_cast<unsigned char>(c));
      if (c != '\r' && c != '\b') view.password += c;
      if (c == '\b' && !view.password.empty()) view.password.pop_back();
    }
  }
  void typeNotes(const std::string& text) {
    for (char c : text) {
      prompt.onNotesKey(static_cast<unsigned char>(c));
      view.notes += (c == '\r') ? std::string("\r\n") : std::string(1, c);
    }
  }
  SaverState state() const { return session.state(); }
};

TEST(PasswordPrompt, FirstInterruptionLoadsThePromptWithAnEmptyPasswordBox) {
  Rig rig;
  rig.session.interruptSaver();
  EXPECT_EQ(rig.log, (CallLog{"disable", "lower", "load prompt", "show prompt"}));
  EXPECT_TRUE(rig.view.visible);
  EXPECT_EQ(rig.view.password, "");
  EXPECT_FALSE(rig.view.notice);
  EXPECT_EQ(rig.state(), SaverState::Prompting);
}

TEST(PasswordPrompt, LoadedOnceThenOnlyHiddenAndShown) {
  Rig rig;
  rig.session.interruptSaver();
  rig.typeNotes("call Ann");
  rig.typePassword("Sec");
  rig.typeNotes("\r");  // Enter in the note box resumes
  ASSERT_EQ(rig.state(), SaverState::Running);
  EXPECT_FALSE(rig.view.visible);

  rig.session.interruptSaver();
  EXPECT_EQ(rig.view.loads, 1);
  EXPECT_TRUE(rig.view.visible);
  EXPECT_EQ(rig.view.password, "Sec") << "a partly typed password stays for the next showing";
  EXPECT_EQ(rig.view.notes, " \r\ncall Ann\r\n");
  // And typing on completes it.
  rig.typePassword("ret\r");
  EXPECT_EQ(rig.state(), SaverState::Ended);
}

TEST(PasswordPrompt, CheckPasswordIsExactAndCaseSensitive) {
  struct Row {
    const char* stored;
    const char* typed;
    bool accepted;
  };
  const std::vector<Row> rows = {
      {"Secret", "Secret", true},       {"Secret", "secret", false},  {"Secret", "SECRET", false},
      {"Secret", " Secret", false},     {"Secret", "Secret ", false}, {"Secret", "Secre", false},
      {"Secret", "Secrets", false},     {" pad ", " pad ", true},     {" pad ", "pad", false},
      {"\xE9t\xE9", "\xE9t\xE9", true}, {"\xE9t\xE9", "ete", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string("stored [") + row.stored + "], typed [" + row.typed + "]");
    Rig rig(row.stored);
    rig.session.interruptSaver();
    rig.log.clear();
    rig.typePassword(std::string(row.typed) + "\r");
    if (row.accepted) {
      EXPECT_EQ(rig.log, (CallLog{"lock off", "end"}));
      EXPECT_EQ(rig.state(), SaverState::Ended);
    } else {
      EXPECT_TRUE(rig.log.empty()) << rig.log.front();
      EXPECT_EQ(rig.state(), SaverState::Prompting);
      EXPECT_TRUE(rig.view.notice);
      EXPECT_EQ(rig.view.password, "") << "a wrong password empties the box";
      EXPECT_TRUE(rig.view.visible);
    }
  }
}

TEST(PasswordPrompt, WrongPasswordNoticeHidesOnTheNextKeyInThePasswordBox) {
  struct Row {
    const char* name;
    std::string key;
  };
  const std::vector<Row> rows = {{"a letter", "x"}, {"backspace", "\b"}, {"a blank", " "}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Rig rig;
    rig.session.interruptSaver();
    rig.typePassword("wrong\r");
    ASSERT_TRUE(rig.view.notice);
    rig.typePassword(row.key);
    EXPECT_FALSE(rig.view.notice);
    EXPECT_FALSE(rig.view.notice);
  }
}

TEST(PasswordPrompt, NoticeStaysThroughTheNotesAndAResume) {
  Rig rig;
  rig.session.interruptSaver();
  rig.typePassword("nope\r");
  rig.typeNotes("milk");
  EXPECT_TRUE(rig.view.notice) << "keys in the note box leave the notice alone";
  rig.typeNotes("\r");
  ASSERT_EQ(rig.state(), SaverState::Running);
  rig.session.interruptSaver();
  EXPECT_TRUE(rig.view.notice) << "still shown at the next showing";
  rig.typePassword("S");
  EXPECT_FALSE(rig.view.notice);
}

TEST(PasswordPrompt, EnterOnAnEmptyPasswordBoxResumesTheSaver) {
  Rig rig;
  rig.session.interruptSaver();
  rig.typePassword("bad\r");
  rig.log.clear();
  rig.typePassword("\r");
  EXPECT_EQ(rig.log, (CallLog{"parkPointer", "show", "enable", "raise", "hide prompt"}));
  EXPECT_EQ(rig.state(), SaverState::Running);
  EXPECT_FALSE(rig.view.notice) << "Enter is a key in the password box too";
}

TEST(PasswordPrompt, AnEmptyStoredPasswordCanNeverBeMatched) {
  Rig rig("");
  rig.session.interruptSaver();
  rig.typePassword("\r");
  EXPECT_EQ(rig.state(), SaverState::Running);
  EXPECT_EQ(std::count(rig.log.begin(), rig.log.end(), "end"), 0);
}

TEST(PasswordPrompt, OnlyEnterInTheNoteBoxResumes) {
  Rig rig;
  rig.session.interruptSaver();
  rig.log.clear();
  rig.typeNotes("a line\n\t\x1b");  // Ctrl+Enter, Tab, Escape: not Enter
  EXPECT_TRUE(rig.log.empty());
  EXPECT_EQ(rig.state(), SaverState::Prompting);
  rig.typeNotes("\r");
  EXPECT_EQ(rig.log, (CallLog{"parkPointer", "show", "enable", "raise", "hide prompt"}));
}

TEST(PasswordPrompt, ClosingThePromptResumesTheSaver) {
  Rig rig;
  rig.session.interruptSaver();
  rig.prompt.onClose();
  EXPECT_EQ(rig.state(), SaverState::Running);
  EXPECT_EQ(rig.log.back(), "hide prompt");
  EXPECT_EQ(std::count(rig.log.begin(), rig.log.end(), "enable"), 1);
}

TEST(PasswordPrompt, CorrectPasswordReleasesTheLockOnlyOutsidePlatformTwo) {
  struct Row {
    std::int32_t platform;
    CallLog want;
  };
  const std::vector<Row> rows = {{1, {"lock off", "end"}}, {2, {"end"}}, {3, {"lock off", "end"}}};
  for (const auto& row : rows) {
    SCOPED_TRACE("platform " + std::to_string(row.platform));
    Rig rig("Secret", row.platform);
    rig.session.interruptSaver();
    rig.log.clear();
    rig.typePassword("Secret\r");
    EXPECT_EQ(rig.log, row.want);
  }
}

}  // namespace
}  // namespace lumova::password
