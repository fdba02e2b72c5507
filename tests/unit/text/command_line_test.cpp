// The table-driven command-line parser and its quirks.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "text/command_line.h"

namespace suite::text {
namespace {

constexpr int kAlpha = 1;
constexpr int kBeta = 2;
constexpr int kGamma = 3;
constexpr int kRest = 4;
constexpr int kLong = 5;

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

std::vector<std::string> positionals(const CommandLine& cl) {
  std::vector<std::string> words;
  for (std::size_t k = 0; cl.positional(k); ++k) words.push_back(*cl.positional(k));
  return words;
}

TEST(CommandLine, RecognisedOptionsAndPositionalWords) {
  const struct {
    const char* name;
    std::vector<std::string> words;
    std::vector<int> present;
    std::vector<std::string> positional;
  } cases[] = {
      {"nothing", {}, {}, {}},
      {"only positional words", {"x", "y"}, {}, {"x", "y"}},
      {"option with argument then positional", {"-b", "5", "x"}, {kBeta}, {"x"}},
      {"long form", {"--beta", "7", "x"}, {kBeta}, {"x"}},
      {"argument running past the end drops the option", {"-b"}, {}, {"-b"}},
      {"two arguments needed, one given", {"x", "-c", "1"}, {}, {"x", "-c", "1"}},
      {"positional words only after the last option", {"x", "-a", "y"}, {kAlpha}, {"y"}},
      {"words between options are ignored", {"-a", "x", "-b", "1", "y"}, {kAlpha, kBeta}, {"y"}},
      {"an argument may look like an option", {"-b", "-a", "z"}, {kBeta, kAlpha}, {"z"}},
      {"a second occurrence is not an option", {"-b", "1", "-b", "2"}, {kBeta}, {"-b", "2"}},
      {"dashes must match the form", {"--b", "-beta", "--FS", "x"}, {}, {"--b", "-beta", "--FS", "x"}},
      {"multi-letter short name", {"-FS", ",", "x"}, {kLong}, {"x"}},
      {"long name of a multi-letter option", {"--field-separator", ","}, {kLong}, {}},
      {"variable count stops at a dash", {"-ab", "x", "y", "-a", "z"}, {kAlpha, kRest}, {"z"}},
      {"variable count may be empty", {"-ab", "-a"}, {kAlpha, kRest}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const CommandLine cl = parsed(c.words);
    for (const int id : {kAlpha, kBeta, kGamma, kRest, kLong}) {
      const bool expected = std::find(c.present.begin(), c.present.end(), id) != c.present.end();
      EXPECT_EQ(cl.has(id), expected) << "option " << id;
    }
    EXPECT_EQ(positionals(cl), c.positional);
    EXPECT_EQ(cl.has(CommandLine::kPositional), !c.positional.empty());
    EXPECT_EQ(cl.argCount(CommandLine::kPositional), c.positional.size());
  }
}

TEST(CommandLine, ShortFormIsLookedForFirst) {
  // "--beta 1" is passed over because "-b 2" exists; "1" is consumed by nothing.
  const CommandLine cl = parsed({"--beta", "1", "-b", "2"});
  EXPECT_EQ(cl.intArg(kBeta, 0), 2);
  EXPECT_FALSE(cl.has(CommandLine::kPositional));
}

TEST(CommandLine, ArgumentsConvertLikeAtoiAndAtof) {
  const CommandLine cl = parsed({"-c", "12abc", "0.5x", "-b", "", "-FS", "  -3"});
  EXPECT_EQ(cl.argCount(kGamma), 2u);
  EXPECT_EQ(cl.intArg(kGamma, 0), 12);
  EXPECT_EQ(cl.doubleArg(kGamma, 1), 0.5);
  EXPECT_EQ(cl.intArg(kGamma, 1), 0);
  EXPECT_EQ(cl.stringArg(kGamma, 1), "0.5x");
  EXPECT_FALSE(cl.intArg(kGamma, 2));     // no third argument
  EXPECT_FALSE(cl.stringArg(kAlpha, 0));  // absent option
  EXPECT_EQ(cl.intArg(kLong, 0), -3);
  // An empty argument is there for the number getters but not as text.
  EXPECT_TRUE(cl.has(kBeta));
  EXPECT_EQ(cl.intArg(kBeta, 0), 0);
  EXPECT_FALSE(cl.stringArg(kBeta, 0));
  EXPECT_EQ(cl.argCount(kAlpha), 0u);
}

TEST(CommandLine, EmptyPositionalWordIsPresent) {
  const CommandLine cl = parsed({"-a", "", "y"});
  ASSERT_TRUE(cl.positional(0));
  EXPECT_EQ(*cl.positional(0), "");
  EXPECT_EQ(cl.positional(1), "y");
  EXPECT_FALSE(cl.positional(2));
  EXPECT_FALSE(cl.stringArg(CommandLine::kPositional, 0));
  EXPECT_EQ(cl.stringArg(CommandLine::kPositional, 1), "y");
}

TEST(CommandLine, ParseReplacesAnEarlierResult) {
  CommandLine cl = parsed({"-a", "x"});
  cl.parse({"prog", "-b", "3"}, kTable);
  EXPECT_FALSE(cl.has(kAlpha));
  EXPECT_FALSE(cl.has(CommandLine::kPositional));
  EXPECT_EQ(cl.intArg(kBeta, 0), 3);
  cl.parse({}, kTable);
  EXPECT_FALSE(cl.has(kBeta));
  EXPECT_FALSE(cl.positional(0));
}

TEST(CommandLine, IndexOfTheOptionWord) {
  const CommandLine cl = parsed({"x", "--beta", "1", "-a", "y", "z"});
  EXPECT_EQ(cl.indexOf(kBeta), 2u);
  EXPECT_EQ(cl.indexOf(kAlpha), 4u);
  EXPECT_EQ(cl.indexOf(CommandLine::kPositional), 5u);  // "y", after the last option
  EXPECT_FALSE(cl.indexOf(kGamma));
  EXPECT_FALSE(parsed({"-b"}).indexOf(kBeta));  // dropped: its argument is missing
}

}  // namespace
}  // namespace suite::text
