// Loading and saving a settings file of 10,000 pictures through the store,
// against reading the same file one key at a time with
// GetPrivateProfileStringA, as a reader without the store would.
// A plain timing program: Google Benchmark is not built for MinGW here.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include "settings/file_store.h"
#include "settings_bench_data.h"

using namespace lumova::settings;
using Clock = std::chrono::steady_clock;

namespace {

// Best of `runs`, in milliseconds.
double best(int runs, const std::function<void()>& body) {
  double fastest = 1e300;
  for (int i = 0; i < runs; ++i) {
    auto start = Clock::now();
    body();
    fastest = std::min(fastest, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  return fastest;
}

std::string profileRead(const char* section, const std::string& key, const std::string& path) {
  char buffer[255];
  DWORD n = GetPrivateProfileStringA(section, key.c_str(), "", buffer, sizeof buffer, path.c_str());
  return std::string(buffer, n);
}

}  // namespace

int main() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string path =
      std::string(temp) + "lumova-settings-bench-" + std::to_string(GetCurrentProcessId()) + ".ini";
  auto files = makeSystemFileStore();
  {
    SettingsStore store(*files, path);
    bench::writeBenchFile(store);
    if (store.save() != SaveError::None) return 1;
  }
  const std::size_t bytes = files->readAll(path).value_or("").size();

  std::size_t loaded = 0;
  double load = best(5, [&] {
    SettingsStore store(*files, path);
    loaded = bench::loadEverything(store);
  });
  double save = best(5, [&] {
    SettingsStore store(*files, path);
    bench::writeBenchFile(store);
    if (store.save() != SaveError::None) std::abort();
  });

  // Key by key, the way the program reads it without the store: total,
  // every path, every caption, then the options.
  std::size_t calls = 0, matched = 0;
  SettingsStore reference(*files, path);
  double naive = best(1, [&] {
    int total = std::stoi(profileRead("total", "total", path));
    ++calls;
    for (int i = 0; i < total; ++i, ++calls)
      matched += profileRead("images", std::to_string(i), path) == reference.read("images", std::to_string(i));
    for (int i = 0; i < total; ++i, ++calls)
      matched += profileRead("caption", std::to_string(i), path) == reference.read("caption", std::to_string(i));
    for (const KeyInfo& info : optionKeys()) {
      ++calls;
      matched += profileRead(std::string(info.section).c_str(), std::string(info.name), path) ==
                 reference.read(info.section, info.name);
    }
  });
  DeleteFileA(path.c_str());

  std::printf("settings file: %d pictures, %zu bytes, %zu values loaded\n", bench::kPictures, bytes, loaded);
  std::printf("SettingsStore load + read all:   %8.2f ms\n", load);
  std::printf("SettingsStore write all + save:  %8.2f ms\n", save);
  std::printf("GetPrivateProfileStringA x %zu: %8.2f ms (%.1f us a call)\n", calls, naive, naive * 1000 / calls);
  std::printf("key by key / store load: %.0fx\n", naive / load);
  // The comparison doubles as a check that both read the same values.
  if (matched != calls - 1) {
    std::printf("MISMATCH: %zu of %zu values differ\n", calls - 1 - matched, calls - 1);
    return 1;
  }
  return 0;
}
