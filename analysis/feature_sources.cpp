#include "analysis/feature_sources.h"

// The tonality and accent analysis is not part of this build yet: these
// features have no value until it is.

namespace suite::analysis::feature_sources {

std::vector<double> syncopation(const core::Melody&, std::uint32_t) { return {}; }
std::vector<double> accentModel(const core::Melody&, std::uint32_t) { return {}; }
std::vector<double> ruleAccents(const core::Melody&, std::uint32_t) { return {}; }
std::vector<double> thomassenAccents(const core::Melody&, bool) { return {}; }
std::vector<double> barKeys(const core::Melody&) { return {}; }

}  // namespace suite::analysis::feature_sources
