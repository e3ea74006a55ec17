// Loading and saving a settings file of 10,000 pictures through the store.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>

#include "settings/file_store.h"
#include "settings_bench_data.h"

namespace lumova::settings::bench {
namespace {

std::string benchPath() { return "/tmp/lumova-settings-bench-" + std::to_string(::getpid()) + ".ini"; }

void prepare(FileStore& files, const std::string& path) {
  SettingsStore store(files, path);
  writeBenchFile(store);
  if (store.save() != SaveError::None) std::abort();
}

void BM_Load(benchmark::State& state) {
  auto files = makeSystemFileStore();
  const std::string path = benchPath();
  prepare(*files, path);
  for (auto _ : state) {
    SettingsStore store(*files, path);
    benchmark::DoNotOptimize(loadEverything(store));
  }
  std::remove(path.c_str());
}
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);

void BM_Save(benchmark::State& state) {
  auto files = makeSystemFileStore();
  const std::string path = benchPath();
  prepare(*files, path);
  for (auto _ : state) {
    SettingsStore store(*files, path);
    writeBenchFile(store);
    if (store.save() != SaveError::None) state.SkipWithError("save failed");
  }
  std::remove(path.c_str());
}
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lumova::settings::bench

BENCHMARK_MAIN();
