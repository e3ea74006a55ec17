#pragma once
#include <stdexcept>
#include <string>

namespace lumova::e2e {

// The harness itself could not do its part (start Xvfb, copy the prefix, find
// a program). Thrown out of a test body, GoogleTest reports it as a failure.
class HarnessError : public std::runtime_error {
 public:
  explicit HarnessError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace lumova::e2e
