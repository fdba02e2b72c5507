// Lenient parsing, field splitting, line reading and number formatting.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <sstream>

#include "text/line_reader.h"
#include "text/text_format.h"
#include "text/text_parse.h"

namespace suite::text {
namespace {

TEST(TextParse, IntegersReadLikeAtoiButSaturate) {
  const struct {
    const char* text;
    std::int32_t expected;
  } cases[] = {
      {"42", 42},          {"  -7x", -7},       {"", 0},
      {"abc", 0},          {"+5", 5},           {"1.9", 1},
      {"\t 12;", 12},      {"- 3", 0},          {"2147483647", 2147483647},
      {"99999999999", std::numeric_limits<std::int32_t>::max()},
      {"-99999999999", std::numeric_limits<std::int32_t>::min()},
      {"000000000000000000000000017", 17},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(parseIntLenient(c.text), c.expected);
  }
}

TEST(TextParse, DoublesReadLikeAtof) {
  const struct {
    const char* text;
    double expected;
  } cases[] = {
      {"1.25", 1.25}, {" -0.5", -0.5}, {"3e2", 300.0},    {"x", 0.0},        {"+2.5abc", 2.5},
      {"--1", 0.0},   {".5", 0.5},     {"7.", 7.0},       {"1e-400", 0.0},   {"", 0.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(parseDoubleLenient(c.text), c.expected);
  }
  EXPECT_TRUE(std::isinf(parseDoubleLenient("1e400")));
  EXPECT_TRUE(std::isnan(parseDoubleLenient("nan")));
}

TEST(TextParse, FieldOfCountsFromOne) {
  const struct {
    const char* line;
    int n;
    const char* expected;
  } cases[] = {
      {"a;b;c", 1, "a"}, {"a;b;c", 3, "c"}, {"a;b;c", 4, ""}, {"abc", 1, "abc"},
      {"abc", 2, ""},    {"a;;c", 2, ""},   {";x", 1, ""},    {";x", 2, "x"},
      {"a;b;", 3, ""},   {"a;b", 0, ""},    {"", 1, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.line) + " #" + std::to_string(c.n));
    EXPECT_EQ(fieldOf(c.line, c.n), c.expected);
  }
  EXPECT_EQ(fieldOf("a b  c", 3, ' '), "");
  EXPECT_EQ(fieldOf("a b  c", 4, ' '), "c");
}

TEST(TextParse, NamesCompareIgnoringAsciiCaseOnly) {
  EXPECT_TRUE(namesEqualIgnoreCase("rawEd", "RAWED"));
  EXPECT_TRUE(namesEqualIgnoreCase("accents-OPTI1", "accents-opti1"));
  EXPECT_FALSE(namesEqualIgnoreCase("rawEd ", "rawEd"));
  EXPECT_FALSE(namesEqualIgnoreCase("raw", "rawEd"));
  EXPECT_FALSE(namesEqualIgnoreCase("\xC3\xA4", "\xC3\x84"));  // only ASCII letters fold
}

TEST(TextParse, TrailingWhiteSpaceIsTrimmed) {
  EXPECT_EQ(trimTrailingSpace("a.csv  \t\r\n"), "a.csv");
  EXPECT_EQ(trimTrailingSpace("  a b "), "  a b");
  EXPECT_EQ(trimTrailingSpace(" \r\n"), "");
}

TEST(TextFormat, GeneralNotationMatchesStreamDefault) {
  const struct {
    double value;
    const char* expected;
  } cases[] = {
      {61.6, "61.6"},         {4.0, "4"},        {1e6, "1e+06"},     {1.0 / 3, "0.333333"},
      {123456789.0, "1.23457e+08"}, {0.0001, "0.0001"}, {0.00001, "1e-05"}, {-0.0, "-0"},
      {100000.0, "100000"},   {2.24, "2.24"},    {-1.0, "-1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(formatGeneral(c.value), c.expected);
  }
  EXPECT_EQ(formatGeneral(std::nan("")), "nan");
  EXPECT_EQ(formatGeneral(-std::numeric_limits<double>::infinity()), "-inf");
}

TEST(TextFormat, AgreesWithPrintfOnRandomValues) {
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
  std::uniform_int_distribution<int> exponent(-12, 12);
  char buf[512];
  for (int i = 0; i < 20000; ++i) {
    const double v = mantissa(rng) * std::pow(10.0, exponent(rng));
    std::snprintf(buf, sizeof buf, "%g", v);
    ASSERT_EQ(formatGeneral(v), buf) << v;
    std::snprintf(buf, sizeof buf, "%1.4f", v);
    ASSERT_EQ(formatFixed(v, 4), buf) << v;
    std::snprintf(buf, sizeof buf, "%.3f", v);
    ASSERT_EQ(formatFixed(v, 3), buf) << v;
  }
}

TEST(TextFormat, DecimalComma) {
  EXPECT_EQ(withDecimalComma(formatFixed(0.75, 4)), "0,7500");
  EXPECT_EQ(withDecimalComma("1.5.;"), "1,5,;");
}

std::vector<std::string> readAllLines(const std::string& text) {
  std::istringstream in(text);
  LineReader reader(in);
  std::vector<std::string> lines;
  std::string line;
  while (reader.next(line)) lines.push_back(line);
  return lines;
}

TEST(LineReader, SplitsLikeFgetsWithOneMend) {
  const std::string x1023(1023, 'x');
  const struct {
    std::string name;
    std::string text;
    std::vector<std::string> expected;
  } cases[] = {
      {"plain", "a\nb\n", {"a\n", "b\n"}},
      {"no final line feed", "a\nb", {"a\n", "b"}},
      {"empty input", "", {}},
      {"empty lines", "\n\n", {"\n", "\n"}},
      {"1023 characters keep their line feed", x1023 + "\nb\n", {x1023 + "\n", "b\n"}},
      {"1024 characters are two lines", x1023 + "y\n", {x1023, "y\n"}},
      {"long line in three pieces", x1023 + x1023 + "zz", {x1023, x1023, "zz"}},
      {"carriage returns stay", "a\r\nb\r\n", {"a\r\n", "b\r\n"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(readAllLines(c.text), c.expected);
  }
}

TEST(LineReader, ChompRemovesOneLineEnd) {
  EXPECT_EQ(chompLine("a\n"), "a");
  EXPECT_EQ(chompLine("a\r\n"), "a\r");
  EXPECT_EQ(chompLine("a\r"), "a");
  EXPECT_EQ(chompLine("a"), "a");
}

}  // namespace
}  // namespace suite::text
