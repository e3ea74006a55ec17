#include "e2e/e2e_test.h"

#include <filesystem>
#include <iostream>

#include "e2e/e2e_paths.h"

namespace lumova::e2e {
namespace fs = std::filesystem;

std::string currentTestName() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  if (!info) return "unknown";
  return safeFileName(std::string(info->test_suite_name()) + "." + info->name());
}

void E2ETest::SetUp() {
  const std::string name = currentTestName();
  std::error_code error;
  fs::remove(artifactsDir() / (name + ".png"), error);
  fs::remove(artifactsDir() / (name + ".wine.log"), error);
  desktop_ = std::make_unique<WineDesktop>(name, desktopOptions());
  desktop_->start();
}

void E2ETest::TearDown() {
  if (!desktop_) return;
  if (!crashExpected_) {
    const auto crash = desktop_->crashReport();
    if (!crash.empty()) ADD_FAILURE() << "Wine reported a crash: " << crash.front();
  }
  if (HasFailure() && desktop_->screen().started()) {
    const std::string name = currentTestName();
    std::error_code error;
    fs::create_directories(artifactsDir(), error);
    const fs::path shot = artifactsDir() / (name + ".png");
    if (savePng(desktop_->screen().capture(), shot)) {
      std::cerr << "e2e: screen at failure saved to " << shot << "\n";
    }
    fs::copy_file(desktop_->workDir() / "wine.log", artifactsDir() / (name + ".wine.log"),
                  fs::copy_options::overwrite_existing, error);
  }
  desktop_->stop();
}

}  // namespace lumova::e2e
