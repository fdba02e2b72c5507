#include "tuneport/segmentation/lbdm.h"

#include <cmath>
#include <cstddef>
#include <limits>

#include "tuneport/segmentation/parameter_series.h"

namespace suite::tuneport::segmentation {
namespace {

// Indices of the non-strict local maxima of \a v (the ends compared with
// their one neighbour); none for fewer than two values.
std::vector<std::size_t> localMaxima(const std::vector<double>& v) {
  std::vector<std::size_t> out;
  const std::size_t n = v.size();
  if (n < 2) return out;
  if (v[1] <= v[0]) out.push_back(0);
  for (std::size_t i = 1; i + 1 < n; ++i)
    if (v[i - 1] <= v[i] && v[i] >= v[i + 1]) out.push_back(i);
  if (v[n - 2] <= v[n - 1]) out.push_back(n - 1);
  return out;
}

// Degree of change between neighbouring values.
double degreeOfChange(double a, double b) {
  if (a == b) return 0.0;
  const double sum = a + b;
  if (sum == 0.0) return 0.0;
  const double r = std::fabs(a - b) / sum;
  return r < 0.000001 ? 0.0 : r;
}

}  // namespace

std::vector<double> plainProfile(const std::vector<double>& x, bool interOnset) {
  const std::size_t n = x.size();
  std::vector<double> out(n, 0.0);
  for (std::size_t i = 0; i < n; ++i) {
    double score = 0.0;
    if (i + 1 < n && x[i] != x[i + 1]) {
      score = interOnset ? PlainLBDM::ioiBonus : 0.0;
      score += PlainLBDM::changeWeight;
      if (x[i] > x[i + 1]) score += PlainLBDM::riseWeight;
    }
    if (i > 0 && x[i - 1] != x[i]) {
      score += PlainLBDM::changeWeight;
      if (x[i] > x[i - 1]) score += PlainLBDM::riseWeight;
    }
    out[i] = score;
  }
  return out;
}

std::vector<double> refinedProfile(const std::vector<double>& x) {
  const std::size_t n = x.size();
  std::vector<double> s(n, 0.0);
  double largest = -std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < n; ++i) {
    double change = 0.0;
    if (i > 0) change += degreeOfChange(x[i - 1], x[i]);
    if (i + 1 < n) change += degreeOfChange(x[i], x[i + 1]);
    s[i] = x[i] * change;
    if (s[i] > largest) largest = s[i];
  }
  if (largest > 0.0)
    for (double& v : s) v /= largest;
  return s;
}

void LBDMBase::parameterSeries(LbdmParameter parameter, std::vector<double>& out) {
  out.clear();
  selector_ = parameter;
  if (!melodyUsable()) return;
  switch (parameter) {
    case kInterOnsetParameter: out = interOnsetSeries(*melody_); break;
    case kPitchParameter: out = pitchIntervalSeries(*melody_); break;
    case kRestParameter: out = restSeries(*melody_); break;
  }
}

void LBDMBase::combinedProfile(std::vector<double>& out) {
  out.clear();
  if (!melodyUsable()) return;
  std::vector<double> series;
  std::vector<double> profile;
  for (const LbdmParameter p : {kInterOnsetParameter, kPitchParameter, kRestParameter}) {
    parameterSeries(p, series);
    profileOf(series, profile);
    if (p == kInterOnsetParameter) {
      out = profile;
    } else if (profile.size() == out.size()) {
      for (std::size_t i = 0; i < out.size(); ++i) out[i] += profile[i];
    }
  }
}

void LBDMBase::peakPicker1(const std::vector<double>& p, std::vector<double>& out) {
  out.clear();
  const std::size_t n = p.size();
  if (n < 3) {
    setError("LBDMBase: Bounds empty");
    return;
  }
  out.assign(n, 0.0);
  out[0] = p[0] > p[1] ? 1.0 : 0.0;
  for (std::size_t i = 1; i + 1 < n; ++i) {
    const double a = p[i - 1];
    const double b = p[i];
    const double c = p[i + 1];
    if (a <= b && b >= c) {
      if (a == b && b == c)
        out[i] = 0.0;
      else if (a == b || b == c)
        out[i] = 0.5;  // edge of a plateau top
      else
        out[i] = 1.0;
    }
  }
  out[n - 1] = p[n - 1] > p[n - 2] ? 1.0 : 0.0;
}

void LBDMBase::peakPicker2(const std::vector<double>& p, std::vector<double>& out) const {
  out.assign(p.size(), 0.0);
  const std::vector<std::size_t> first = localMaxima(p);
  std::vector<double> values;
  values.reserve(first.size());
  for (const std::size_t i : first) values.push_back(p[i]);
  // Each maximum of the maxima marks its index once.
  for (const std::size_t j : localMaxima(values)) out[first[j]] = 1.0;
}

void PlainLBDM::compute(std::vector<double>& out) { combinedProfile(out); }

bool PlainLBDM::profileOf(const std::vector<double>& series, std::vector<double>& out) {
  if (series.empty()) {
    setError("PlainLBDM: Internal error");
    out.clear();
    return false;
  }
  out = plainProfile(series, selector_ == kInterOnsetParameter);
  return true;
}

void RefinedLBDM::compute(std::vector<double>& out) { combinedProfile(out); }

bool RefinedLBDM::profileOf(const std::vector<double>& series, std::vector<double>& out) {
  if (series.empty()) {
    setError("RefinedLBDM: Internal error");
    out.clear();
    return false;
  }
  out = refinedProfile(series);
  return true;
}

}  // namespace suite::tuneport::segmentation
