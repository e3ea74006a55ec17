#include "common/textnum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "common/protection.h"

using namespace lumova;

TEST(TextNum, StrictConversionAcceptsWholeNumbersOnly) {
  struct Row {
    const char* text;
    std::optional<double> want;
  };
  const std::vector<Row> rows = {
      {"0", 0.0},
      {"42", 42.0},
      {" 42 ", 42.0},
      {"\t7\t", 7.0},
      {"-3", -3.0},
      {"+3", 3.0},
      {"2.5", 2.5},
      {".5", 0.5},
      {"5.", 5.0},
      {"-0.25", -0.25},
      {"1e3", 1000.0},
      {"1E-2", 0.01},
      {"16777215", 16777215.0},
      {"", std::nullopt},
      {" ", std::nullopt},
      {"abc", std::nullopt},
      {"12abc", std::nullopt},
      {"1 2", std::nullopt},
      {".", std::nullopt},
      {"-", std::nullopt},
      {"1e", std::nullopt},
      {"1.2.3", std::nullopt},
      {"True", std::nullopt},
      {"&H10", std::nullopt},
      {"0x10", std::nullopt},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string("text: '") + r.text + "'");
    EXPECT_EQ(parseNumber(r.text), r.want);
  }
}

TEST(TextNum, WholeNumbersRoundHalvesToEven) {
  struct Row {
    double in;
    double want;
  };
  const std::vector<Row> rows = {
      {0.5, 0},   {1.5, 2},    {2.5, 2},    {3.5, 4},      {-0.5, -0.0}, {-1.5, -2},
      {-2.5, -2}, {2.4999, 2}, {2.5001, 3}, {-2.5001, -3}, {7, 7},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.in);
    EXPECT_EQ(roundHalfEven(r.in), r.want);
  }
}

TEST(TextNum, ThirtyTwoBitRangeOverflowsBeyondEdges) {
  struct Row {
    double in;
    std::optional<std::int32_t> want;
  };
  const std::vector<Row> rows = {
      {2147483647.0, 2147483647}, {2147483647.5, std::nullopt},   {-2147483648.0, INT32_MIN},
      {-2147483648.5, INT32_MIN}, {-2147483648.51, std::nullopt}, {4294967295.0, std::nullopt},
      {16777215.0, 16777215},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.in);
    EXPECT_EQ(toInt32(r.in), r.want);
  }
}

TEST(TextNum, StrictTextToWholeNumber) {
  EXPECT_EQ(textToInt32("16777215"), 16777215);
  EXPECT_EQ(textToInt32("x"), std::nullopt);
}

TEST(TextNum, LeadingNumberReadsAsMuchAsItCan) {
  struct Row {
    const char* text;
    double want;
  };
  const std::vector<Row> rows = {
      {"1234", 1234},
      {"  1234", 1234},
      {"1234abc", 1234},
      {"12 34", 12},
      {"-5x", -5},
      {"3.75.1", 3.75},
      {"1e3z", 1000},
      {"1ez", 1},
      {"", 0},
      {"   ", 0},
      {"abc", 0},
      {"-", 0},
      {"&H10", 16},
      {"&hff", 255},
      {"&HFFFFFFFF", 4294967295.0},
      {" &H1A2B rest", 0x1A2B},
      {"&H", 0},
      {"&Hxyz", 0},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string("text: '") + r.text + "'");
    EXPECT_EQ(leadingNumber(r.text), r.want);
  }
}

TEST(TextNum, TruthValuesFromWordsOrNumbers) {
  struct Row {
    const char* text;
    std::optional<bool> want;
  };
  const std::vector<Row> rows = {
      {"True", true},
      {"False", false},
      {"true", true},
      {"FALSE", false},
      {"1", true},
      {"0", false},
      {"-1", true},
      {"0.0", false},
      {"", std::nullopt},
      {"yes", std::nullopt},
      {"Truely", std::nullopt},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string("text: '") + r.text + "'");
    EXPECT_EQ(parseTruth(r.text), r.want);
  }
}

TEST(TextNum, NumberToPlainDecimalText) {
  struct Row {
    double in;
    const char* want;
  };
  const std::vector<Row> rows = {
      {0, "0"},
      {12, "12"},
      {-3, "-3"},
      {12.5, "12.5"},
      {0.1, "0.1"},
      {-0.25, "-0.25"},
      {16777215, "16777215"},
      {1e20, "100000000000000000000"},
      {-0.0, "0"},
      {10.5f, "10.5"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.in);
    EXPECT_EQ(numberToText(r.in), r.want);
  }
  EXPECT_EQ(numberToText(std::int64_t{-32768}), "-32768");
}

TEST(TextNum, NumberTextRoundTrips) {
  for (double v : {0.0, 1.0, -1.0, 0.5, 14.0, 10.25, 123456.75, 32767.0}) {
    SCOPED_TRACE(v);
    EXPECT_EQ(parseNumber(numberToText(v)), v);
  }
  // Every digit of a large whole part is written, none cut by a buffer.
  for (double v : {1e63, -5.037345598989778e62, 1.7976931348623157e308}) {
    SCOPED_TRACE(v);
    EXPECT_EQ(parseNumber(numberToText(v)), v);
  }
}

TEST(Protection, ProtectionIsExactlyOne) {
  struct Row {
    const char* enabled;
    std::int32_t platform;
    bool on;
    bool lock;
  };
  const std::vector<Row> rows = {
      {"1", 1, true, true},    {"1", 2, true, false}, {"1.00", 0, true, true},   {"0", 1, false, false},
      {"-1", 1, false, false}, {"", 1, false, false}, {"True", 1, false, false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.enabled);
    Protection m;
    m.enabled = r.enabled;
    m.platformId = r.platform;
    EXPECT_EQ(protectionOn(m), r.on);
    EXPECT_EQ(systemLockApplies(m), r.lock);
  }
}
