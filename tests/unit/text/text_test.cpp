// Lenient parsing, line reading, printf-exact formatting and the table-driven
// command-line parser.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <sstream>

#include "text/command_line.h"
#include "text/line_reader.h"
#include "text/text_format.h"
#include "text/text_parse.h"

namespace suite::text {
namespace {

TEST(TextParse, NumbersReadLikeAtoiAndAtof) {
  const std::pair<const char*, std::int32_t> ints[] = {
      {"42", 42}, {"  -7x", -7}, {"", 0}, {"abc", 0}, {"+5", 5}, {"1.9", 1}, {"- 3", 0},
      {"99999999999", std::numeric_limits<std::int32_t>::max()},
      {"-99999999999", std::numeric_limits<std::int32_t>::min()}};
  for (const auto& [text, value] : ints) EXPECT_EQ(parseIntLenient(text), value) << text;
  const std::pair<const char*, double> doubles[] = {
      {"1.25", 1.25}, {" -0.5", -0.5}, {"3e2", 300.0}, {"x", 0.0}, {"+2.5abc", 2.5},
      {"--1", 0.0},   {".5", 0.5},     {"7.", 7.0},    {"1e-400", 0.0}};
  for (const auto& [text, value] : doubles) EXPECT_EQ(parseDoubleLenient(text), value) << text;
  EXPECT_TRUE(std::isinf(parseDoubleLenient("1e400")));
}

TEST(TextParse, FieldsNamesAndTrailingSpace) {
  const std::tuple<const char*, int, const char*> fields[] = {
      {"a;b;c", 1, "a"}, {"a;b;c", 3, "c"}, {"a;b;c", 4, ""}, {"abc", 1, "abc"}, {"abc", 2, ""},
      {"a;;c", 2, ""},   {";x", 2, "x"},    {"a;b;", 3, ""},  {"a;b", 0, ""}};
  for (const auto& [line, n, field] : fields) EXPECT_EQ(fieldOf(line, n), field) << line << n;
  EXPECT_EQ(fieldOf("a b  c", 4, ' '), "c");
  EXPECT_TRUE(namesEqualIgnoreCase("accents-OPTI1", "accents-opti1"));
  EXPECT_FALSE(namesEqualIgnoreCase("rawEd ", "rawEd"));
  EXPECT_FALSE(namesEqualIgnoreCase("\xC3\xA4", "\xC3\x84"));  // only ASCII letters fold
  EXPECT_EQ(trimTrailingSpace("  a b \t\r\n"), "  a b");
}

TEST(TextParse, WholeDecimalNumbers) {
  for (const char* number : {"0.5", "-2", "+1e-3", ".5", "7.", "3E+2"}) {
    EXPECT_TRUE(isDecimalNumber(number)) << number;
  }
  for (const char* text : {"0,5", "abc", "", "1x", "e5", "1e", "-", ".", " 1", "1 ", "--1"}) {
    EXPECT_FALSE(isDecimalNumber(text)) << text;
  }
}

TEST(TextFormat, AgreesWithPrintf) {
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
  }
  EXPECT_EQ(formatGeneral(1e6), "1e+06");
  EXPECT_EQ(formatGeneral(-0.0), "-0");
  EXPECT_EQ(formatGeneral(std::nan("")), "nan");
  EXPECT_EQ(formatGeneral(-std::numeric_limits<double>::infinity()), "-inf");
  EXPECT_EQ(withDecimalComma(formatFixed(0.75, 4) + ".;"), "0,7500,;");
}

TEST(LineReader, SplitsLikeFgetsWithOneMend) {
  const std::string x1023(1023, 'x');
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"a\nb", {"a\n", "b"}},
      {"\n\n", {"\n", "\n"}},
      {x1023 + "\nb\n", {x1023 + "\n", "b\n"}},  // 1023 characters keep their line feed
      {x1023 + "y\n", {x1023, "y\n"}},
      {x1023 + x1023 + "zz", {x1023, x1023, "zz"}},
      {"a\r\n", {"a\r\n"}},
  };
  for (const auto& [text, expected] : cases) {
    std::istringstream in(text);
    LineReader reader(in);
    std::vector<std::string> lines;
    for (std::string line; reader.next(line);) lines.push_back(line);
    EXPECT_EQ(lines, expected) << text.size();
  }
  EXPECT_EQ(chompLine("a\r\n"), "a\r");
  EXPECT_EQ(chompLine("a\r"), "a");
}

constexpr int kAlpha = 1, kBeta = 2, kGamma = 3, kRest = 4, kLong = 5;
constexpr std::array<OptionSpec, 5> kTable = {{
    {kAlpha, "a", "alpha", 0},
    {kBeta, "b", "beta", 1},
    {kGamma, "c", "gamma", 2},
    {kRest, "ab", "rest", OptionSpec::kUntilNextDash},
    {kLong, "FS", "field-separator", 1},
}};

CommandLine parsed(std::vector<std::string> words) {
  words.insert(words.begin(), "prog");
  return CommandLine(words, kTable);
}

TEST(CommandLine, RecognisedOptionsAndPositionalWords) {
  const struct {
    std::vector<std::string> words;
    std::vector<int> present;
    std::vector<std::string> positional;
  } cases[] = {
      {{"x", "y"}, {}, {"x", "y"}},
      {{"--beta", "7", "x"}, {kBeta}, {"x"}},
      {{"-b"}, {}, {"-b"}},                           // the argument runs past the end
      {{"x", "-c", "1"}, {}, {"x", "-c", "1"}},
      {{"x", "-a", "y"}, {kAlpha}, {"y"}},            // positional words follow the last option
      {{"-a", "x", "-b", "1", "y"}, {kAlpha, kBeta}, {"y"}},
      {{"-b", "-a", "z"}, {kBeta, kAlpha}, {"z"}},    // an argument may look like an option
      {{"-b", "1", "-b", "2"}, {kBeta}, {"-b", "2"}},  // only the first occurrence counts
      {{"--b", "-beta", "--FS", "x"}, {}, {"--b", "-beta", "--FS", "x"}},
      {{"-FS", ",", "x"}, {kLong}, {"x"}},
      {{"-ab", "x", "y", "-a", "z"}, {kAlpha, kRest}, {"z"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.words));
    const CommandLine cl = parsed(c.words);
    for (const int id : {kAlpha, kBeta, kGamma, kRest, kLong}) {
      EXPECT_EQ(cl.has(id), std::count(c.present.begin(), c.present.end(), id) == 1) << id;
    }
    std::vector<std::string> positional;
    for (std::size_t k = 0; cl.positional(k); ++k) positional.push_back(*cl.positional(k));
    EXPECT_EQ(positional, c.positional);
    EXPECT_EQ(cl.argCount(CommandLine::kPositional), c.positional.size());
  }
  // The short form is looked for first; "1" is consumed by nothing.
  EXPECT_EQ(parsed({"--beta", "1", "-b", "2"}).intArg(kBeta, 0), 2);
}

TEST(CommandLine, ArgumentsConvertLikeAtoiAndAtof) {
  const CommandLine cl = parsed({"x", "--beta", "", "-c", "12abc", "0.5x", "-a", "", "y"});
  EXPECT_EQ(cl.intArg(kGamma, 0), 12);
  EXPECT_EQ(cl.doubleArg(kGamma, 1), 0.5);
  EXPECT_EQ(cl.stringArg(kGamma, 1), "0.5x");
  EXPECT_FALSE(cl.intArg(kGamma, 2));
  EXPECT_EQ(cl.intArg(kBeta, 0), 0);    // an empty argument is there as a number,
  EXPECT_FALSE(cl.stringArg(kBeta, 0));  // not as text
  EXPECT_EQ(cl.positional(0), "");
  EXPECT_EQ(cl.indexOf(kBeta), 2u);
  EXPECT_EQ(cl.indexOf(kAlpha), 7u);
  EXPECT_EQ(cl.indexOf(CommandLine::kPositional), 8u);
  EXPECT_FALSE(cl.indexOf(kLong));
}

TEST(CommandLine, UnknownOptionsAndLongOnlyRows) {
  constexpr std::array<OptionSpec, 3> table = {{
      {kAlpha, "a", "alpha", 0},
      {kBeta, "b", "beta", 1},
      {kLong, "", "progress", 0},
  }};
  static_assert(optionTableIsConsistent(table));
  const std::pair<std::vector<std::string>, std::vector<std::string>> cases[] = {
      {{"-x", "a"}, {"-x"}},
      {{"--progress", "-a", "f"}, {}},
      {{"-progress", "-"}, {"-progress"}},  // no short form; "-" alone is a word
      {{"-b", "-5", "-a", "-a"}, {}},       // an argument; a repeated option
      {{"--alpha=1", "--", "-bx", "x"}, {"--alpha=1", "--", "-bx"}},
      {{"x", "-b"}, {}},  // dropped for want of its argument, still an option word
  };
  for (const auto& [words, unknown] : cases) {
    std::vector<std::string> args = words;
    args.insert(args.begin(), "prog");
    const CommandLine cl(args, table);
    std::vector<std::string> found;
    for (const std::size_t i : cl.unknownOptions()) found.push_back(args[i]);
    EXPECT_EQ(found, unknown) << ::testing::PrintToString(words);
    EXPECT_EQ(cl.has(kLong), words.front() == "--progress");
  }
}

}  // namespace
}  // namespace suite::text
