// Modal messages to the user, under the application title.
#pragma once

#include <string>

namespace lumova {

inline constexpr const char* kAppTitle = "Lumova Screen Saver";

enum class MessageKind { Exclamation, YesNoExclamation };
enum class MessageAnswer { Ok, Yes, No };

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  virtual MessageAnswer show(const std::string& text, MessageKind kind) = 0;
};

}  // namespace lumova
