// tuneport runs: one test per golden case folder below tests/golden/tuneport/cases.
#include <gtest/gtest.h>

#include "support/test_support.h"
#include "tuneport/app.h"

namespace suite::tuneport {
namespace {

class TuneportGolden : public ::testing::TestWithParam<std::filesystem::path> {};

TEST_P(TuneportGolden, MatchesExpected) {
  test::runGoldenCase(
      GetParam(), "tuneport",
      [](const std::vector<std::string>& args, std::istream& in, std::ostream& out,
         std::ostream& err) { return run(args, {out, err, in}); },
      [](const std::string& text) { return text; });
}

const std::filesystem::path kCases = test::goldenPath("tuneport/cases");
INSTANTIATE_TEST_SUITE_P(Cases, TuneportGolden, ::testing::ValuesIn(test::goldenCases(kCases)),
                         test::CaseNamer{kCases});

}  // namespace
}  // namespace suite::tuneport
