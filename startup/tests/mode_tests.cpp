#include <gtest/gtest.h>

#include <vector>

#include "startup/mode.h"

using namespace lumova::startup;

TEST(Mode, ArgumentTextFollowsTheProgramNameAndOneBlank) {
  struct Row {
    const char* commandLine;
    const char* want;
  };
  const std::vector<Row> rows = {
      {"Lumova.scr /s", "/s"},
      {"\"C:\\Program Files\\Lumova.scr\" /p 1234", "/p 1234"},
      {"\"C:\\x y\\Lumova.scr\"/c", ""},  // one word, as the C runtime splits it
      {"Lumova.scr  /s", " /s"},
      {"Lumova.scr", ""},
      {"Lumova.scr ", ""},
      {"\"Lumova.scr", ""},
      {"C:\\Lumova.scr\t/S", "/S"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.commandLine);
    EXPECT_EQ(argumentText(r.commandLine), r.want);
  }
}

TEST(Mode, FirstTwoCharactersLowerCased) {
  struct Row {
    const char* args;
    Mode want;
  };
  const std::vector<Row> rows = {
      {"/s", Mode::Saver},    {"/S", Mode::Saver},    {"/s:1234", Mode::Saver},    {"/s 99", Mode::Saver},
      {"/c", Mode::Settings}, {"/C", Mode::Settings}, {"/c:5678", Mode::Settings}, {"/p 1234", Mode::Preview},
      {"/P", Mode::Preview},  {"", Mode::None},       {"/", Mode::None},           {" /s", Mode::None},
      {"-s", Mode::None},     {"/a", Mode::None},     {"s", Mode::None},           {"//s", Mode::None},
      {"/3", Mode::None},     {"\\s", Mode::None},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string("args '") + r.args + "'");
    EXPECT_EQ(selectMode(r.args), r.want);
  }
}

TEST(Mode, PreviewHandleIsTheLeadingNumberAfterTheSwitch) {
  struct Row {
    const char* args;
    std::optional<std::uint32_t> want;
  };
  const std::vector<Row> rows = {
      {"/p 1234", 1234u},
      {"/p:1234", 1234u},
      {"/p   77x", 77u},
      {"/p &H1A2", 0x1A2u},
      {"/p 2147483647", 2147483647u},
      {"/p 12.5", 12u},
      {"/p 13.5", 14u},  // nearest, halves to even
      {"/p", std::nullopt},
      {"/p ", std::nullopt},
      {"/p 0", std::nullopt},
      {"/p abc", std::nullopt},
      {"/p 4294967296", std::nullopt},
      {"/p -5", 4294967291u},  // the same 32-bit handle value, top bit set
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string("args '") + r.args + "'");
    EXPECT_EQ(previewHandle(r.args), r.want);
  }
}
