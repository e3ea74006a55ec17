// The command line from arbitrary text: the argument text is a tail of the
// command line, the mode its first two characters, and a preview handle is
// never 0.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "startup/mode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using lumova::startup::Mode;
  const std::string owned(reinterpret_cast<const char*>(data), size);
  const std::string_view commandLine(owned);

  const std::string_view args = lumova::startup::argumentText(commandLine);
  if (args.size() > commandLine.size() || args.data() + args.size() != commandLine.data() + commandLine.size())
    std::abort();

  for (std::string_view text : {args, commandLine}) {
    const Mode mode = lumova::startup::selectMode(text);
    if (mode != Mode::None && (text.size() < 2 || text[0] != '/')) std::abort();
    const auto handle = lumova::startup::previewHandle(text);
    if (handle && (*handle == 0 || text.size() < 3)) std::abort();
  }
  return 0;
}
