// Gauss rhythm measure: onsets compared through a Gaussian kernel read from a
// lookup table of exp(-g^2).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <ostream>
#include <span>

namespace suite::similarity {

/// Lookup table of the Gaussian kernel exp(-g^2) for g = -3.71 .. 3.71 in
/// steps of 1e-6 (7,420,001 doubles, about 59 MB). Owned by the caller, built
/// once with buildGaussTable and read-only afterwards, so any number of
/// threads may read it. An unbuilt table (or one whose memory could not be
/// reserved) computes every kernel value directly, with identical results.
class GaussTable {
 public:
  static constexpr std::size_t kSize = 7'420'001;
  static constexpr double kLimit = 3.71;  ///< |g| >= kLimit gives 0
  static constexpr double kStep = 1e-6;

  /// True when the table entries are present.
  bool hasTable() const { return values_ != nullptr; }

  /// The entries (empty when the table is not present).
  std::span<const double> entries() const {
    return values_ ? std::span<const double>(values_.get(), kSize) : std::span<const double>();
  }

  /// Kernel value G(g) in [0, 1]: the entry at gaussTableIndex(g), or the
  /// identical value computed directly when the table is not present. 0 for
  /// |g| >= 3.71 and for NaN.
  double kernel(double g) const;

 private:
  friend bool buildGaussTable(GaussTable& table, std::ostream& err);
  std::unique_ptr<double[]> values_;
};

/// Builds the table: reserves it (on failure returns false without a message
/// and leaves the table to compute its values directly), writes "Init Gauss
/// function lookup table..." to \a err, fills entry k with exp(-g^2) where g
/// starts at -3.71 and grows by 1e-6 per entry (accumulated), 0 when
/// |g| >= 3.71, writes "Done." and returns true.
bool buildGaussTable(GaussTable& table, std::ostream& err);

/// Table index of g: floor((g + 3.71) * 1e6 + 0.5), i.e. g rounded to the
/// nearest multiple of 1e-6; -1 when |g| >= 3.71 or g is NaN.
std::ptrdiff_t gaussTableIndex(double g);

/// The g of table entry \a k (k < kSize) as the table build accumulates it:
/// -3.71 plus k steps of 1e-6, each sum rounded to double, bit for bit.
double gaussTableArgument(std::size_t k);

/// Entry \a k of the table computed without the table: exp(-g^2) for
/// g = gaussTableArgument(k) (0 when |g| >= 3.71); 0 for k >= kSize.
double gaussTableEntryDirect(std::size_t k);

/// G(g) without a table: gaussTableEntryDirect(gaussTableIndex(g)), 0 outside.
double gaussKernelDirect(double g);

/// Gauss similarity of two onset windows with kernel width \a width and shift
/// \a shift (time units of the onsets): S_xy / sqrt(S_xx * S_yy) with
/// S_xy = sum over i, j of G((x_i - y_j - shift) / (2 width)) and
/// S_xx = m + 2 * sum over i < j of G((x_i - x_j) / (2 width)). In [0, 1];
/// -1 when width <= 0 (or NaN); 0 when a window is empty. Uses \a table when
/// it is given and built, the direct kernel otherwise. Does not allocate.
double gaussSimilarity(std::span<const double> x, std::span<const double> y, double width,
                       double shift, const GaussTable* table);

}  // namespace suite::similarity
