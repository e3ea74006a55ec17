// Makes the build tree's template Wine prefix for the end-to-end tests (the
// CTest fixture that runs before them). Does nothing when it is up to date.
#include <chrono>
#include <exception>
#include <iostream>

#include "e2e/e2e_paths.h"
#include "e2e/wine_prefix.h"

int main() {
  using namespace lumova::e2e;
  try {
    const auto begin = std::chrono::steady_clock::now();
    const bool made = ensurePrefixTemplate(templatePrefixDir(), std::cout);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - begin;
    std::cout << (made ? "made " : "up to date: ") << templatePrefixDir().string() << " in " << took.count() << " s\n";
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "lumova_e2e_prefix: " << e.what() << "\n";
    return 1;
  }
}
