#pragma once
// Waiting on a condition with a time-out. The harness never sleeps a fixed
// time to let something happen; it polls the condition instead.

#include <chrono>
#include <thread>

namespace lumova::e2e {

using namespace std::chrono_literals;

// Polls the condition until it holds or the time-out passes; true if it held.
// The condition is checked once more at the deadline, so a slow poll cannot
// make a met condition look like a time-out.
template <class Condition>
bool waitUntil(Condition&& condition, std::chrono::milliseconds timeout, std::chrono::milliseconds interval = 25ms) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (condition()) return true;
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return false;
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(interval, deadline - now));
  }
}

}  // namespace lumova::e2e
