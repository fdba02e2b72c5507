// Local Boundary Detection Model: boundary strength profiles from the changes
// in the inter-onset, pitch-interval and rest series of a melody, and two
// peak pickers that turn a profile into boundaries. After E. Cambouropoulos,
// "The Local Boundary Detection Model (LBDM) and its Application in the Study
// of Expressive Timing", Proc. ICMC 2001.
#pragma once

#include <vector>

#include "tuneport/segmentation/segmenter.h"

namespace suite::tuneport::segmentation {

/// The parameter a profile is computed from.
enum LbdmParameter : int {
  kInterOnsetParameter = 0,
  kPitchParameter = 1,
  kRestParameter = 2,
};

/// Common part of the plain and the refined model: the parameter series and
/// the peak pickers. compute sums the profiles of the three series (a profile
/// whose length differs from the inter-onset profile's is left out).
class LBDMBase : public Segmenter {
 public:
  using Segmenter::Segmenter;

  /// Picker 1: per position 1 at a strict peak, 0.5 at the edge of a plateau
  /// top, 0 elsewhere (first and last position: 1 when above the neighbour).
  /// Fewer than 3 values: "LBDMBase: Bounds empty" and an empty series.
  void peakPicker1(const std::vector<double>& profile, std::vector<double>& out);
  /// Picker 2: 1 at the local maxima among the local maxima of the profile
  /// (both non-strict), 0 elsewhere; one value per profile value.
  void peakPicker2(const std::vector<double>& profile, std::vector<double>& out) const;

  /// The series of \a parameter (the selector): inter-onset intervals, pitch
  /// intervals or rests. "Empty melody" / "Invalid melody object" and an
  /// empty series without notes.
  void parameterSeries(LbdmParameter parameter, std::vector<double>& out);

 protected:
  /// The profile of one series; false (with the model's error text) when the
  /// series is empty.
  virtual bool profileOf(const std::vector<double>& series, std::vector<double>& out) = 0;
  /// Sums the three profiles into \a out.
  void combinedProfile(std::vector<double>& out);

  LbdmParameter selector_ = kInterOnsetParameter;
};

/// Plain profile: counts the rules that fire at each position.
class PlainLBDM : public LBDMBase {
 public:
  static constexpr double ioiBonus = 2.0;      ///< a change in the inter-onset series
  static constexpr double changeWeight = 1.0;  ///< a change to either neighbour
  static constexpr double riseWeight = 1.0;    ///< the value is larger than that neighbour

  using LBDMBase::LBDMBase;
  void compute(std::vector<double>& out) override;

 protected:
  bool profileOf(const std::vector<double>& series, std::vector<double>& out) override;
};

/// Refined profile: value times the degrees of change to both neighbours,
/// normalised to a maximum of 1.
class RefinedLBDM : public LBDMBase {
 public:
  using LBDMBase::LBDMBase;
  void compute(std::vector<double>& out) override;

 protected:
  bool profileOf(const std::vector<double>& series, std::vector<double>& out) override;
};

/// The plain profile of \a x; \a interOnset adds ioiBonus at each change.
std::vector<double> plainProfile(const std::vector<double>& x, bool interOnset);
/// The refined profile of \a x: s(i) = x(i) * (r(x(i-1), x(i)) + r(x(i), x(i+1)))
/// with r(a, b) = |a - b| / (a + b) (0 for a = b, a + b = 0 or below 1e-6),
/// divided by the largest s when that is positive.
std::vector<double> refinedProfile(const std::vector<double>& x);

}  // namespace suite::tuneport::segmentation
