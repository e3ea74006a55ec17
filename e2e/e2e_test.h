#pragma once
// The GoogleTest fixture for end-to-end tests: every test gets its own
// WineDesktop. After the test it fails the test if Wine reported a crash, and
// for a failed test it saves the screen and Wine's log to
// <build>/e2e-artifacts/<Suite.Test>.png and .wine.log.

#include <gtest/gtest.h>

#include <memory>

#include "e2e/wine_desktop.h"

namespace lumova::e2e {

class E2ETest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Override for another screen size.
  virtual DesktopOptions desktopOptions() const { return {}; }

  WineDesktop& desktop() { return *desktop_; }
  XSession& screen() { return desktop_->screen(); }
  // For a test whose program is meant to crash.
  void expectCrash() { crashExpected_ = true; }

 private:
  std::unique_ptr<WineDesktop> desktop_;
  bool crashExpected_ = false;
};

// "Suite.Test" of the running test, reduced to a safe file name.
std::string currentTestName();

}  // namespace lumova::e2e
