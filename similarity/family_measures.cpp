#include "similarity/family_measures.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <utility>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define SUITE_FAMILY_AVX2 1
// GCC 12 warns about the undefined vectors some of its own intrinsics start from.
#if !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#if !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#else
#define SUITE_FAMILY_AVX2 0
#endif

#include "similarity/metric_weights.h"
#include "tuneport/segmentation/temperley_grouping.h"

namespace suite::similarity {
namespace {

constexpr double kUndefined = -1.0;

// Base-40 sizes of the intervals of 0..11 semitones.
constexpr std::array<int, 12> kBase40Size = {0, 5, 6, 11, 12, 17, 20, 23, 28, 29, 34, 35};

constexpr double bandScore(int semitones) {
  const int d = kBase40Size[static_cast<std::size_t>((semitones < 0 ? -semitones : semitones) % 12)];
  const double band = d <= 23 ? 1.0 - d / 23.0 : -1.0;
  return (band + 1.0) / 2.0;
}

// Pitch band scores by difference a - (b + shift) + kBandOffset. Pitches
// are 8-bit values and shifts are held within +-512, so real differences lie
// within +-1024; beyond, the table holds 0, which the vector form uses for
// the columns it runs past the ends of b (kNoPitch).
constexpr int kBandOffset = 4096;
constexpr int kNoPitch = 2000;
constexpr std::array<double, 2 * kBandOffset + 1> makeBandTable() {
  std::array<double, 2 * kBandOffset + 1> table{};
  for (int d = -1024; d <= 1024; ++d) {
    table[static_cast<std::size_t>(d + kBandOffset)] = bandScore(d);
  }
  return table;
}
constexpr std::array<double, 2 * kBandOffset + 1> kBandTable = makeBandTable();

// x < y ? x : y and x > y ? x : y, as the processor's minimum and maximum
// instructions where there are such: a compiler may otherwise branch, and
// whether a cell's score beats 0 or its neighbours is not predictable.
#if SUITE_FAMILY_AVX2
inline double smaller(double x, double y) {
  return _mm_cvtsd_f64(_mm_min_sd(_mm_set_sd(x), _mm_set_sd(y)));
}
inline double larger(double x, double y) {
  return _mm_cvtsd_f64(_mm_max_sd(_mm_set_sd(x), _mm_set_sd(y)));
}
#else
inline double smaller(double x, double y) { return x < y ? x : y; }
inline double larger(double x, double y) { return x > y ? x : y; }
#endif

}  // namespace

double pitchBandScore(int semitones) { return bandScore(semitones); }

std::vector<double> segmentPositions(std::span<const double> endsAfter, std::size_t notes) {
  std::vector<double> positions(notes, 0.0);
  std::size_t start = 0;
  for (std::size_t i = 0; i < notes; ++i) {
    const bool ends = i + 1 == notes || (i < endsAfter.size() && endsAfter[i] != 0.0);
    if (!ends) continue;
    const std::size_t last = i;
    if (last > start) {
      for (std::size_t j = start; j <= last; ++j) {
        positions[j] = static_cast<double>(j - start) / static_cast<double>(last - start);
      }
    }
    start = i + 1;
  }
  return positions;
}

std::vector<double> phraseEnds(const core::Melody& melody) {
  namespace seg = tuneport::segmentation;
  const std::size_t n = melody.size();
  if (n < 2) return {};
  std::vector<double> interOnsets(n - 1, 0.0);
  for (std::size_t i = 0; i + 1 < n && i < melody.durations.size(); ++i) {
    interOnsets[i] = static_cast<double>(melody.durations[i]);
  }
  // A melody table keeps no rests apart: a rest lengthens the note before it.
  const std::vector<double> rests(n - 1, 0.0);
  std::vector<seg::BeatPosition> positions;
  if (melody.timeline.size() == n) {
    positions.reserve(n);
    for (const core::MetricalPosition& p : melody.timeline.positions) {
      positions.push_back({static_cast<std::int32_t>(p.beat), static_cast<std::int32_t>(p.tick),
                           static_cast<std::int32_t>(melody.signature.numerator), true});
    }
  }
  // Value i marks note i + 1 as a phrase start, so note i ends a phrase.
  std::vector<double> ends = seg::temperleyBoundaries(interOnsets, rests, positions);
  ends.resize(n - 1, 0.0);
  return ends;
}

NoteProfile noteProfile(const core::Melody& melody) {
  NoteProfile profile;
  profile.pitches.assign(melody.pitches.begin(), melody.pitches.end());
  profile.weights = metricWeights(noteOnsets(melody));
  profile.positions = segmentPositions(phraseEnds(melody), melody.size());
  std::vector<std::int16_t> sorted = profile.pitches;
  std::sort(sorted.begin(), sorted.end());
  for (const std::int16_t p : sorted) {
    if (profile.histogram.empty() || profile.histogram.back().first != p) {
      profile.histogram.emplace_back(p, 0);
    }
    ++profile.histogram.back().second;
  }
  reverseNotes(profile, profile.reversed);
  return profile;
}

void reverseNotes(const NoteProfile& profile, ReversedNotes& out) {
  constexpr std::size_t pad = ReversedNotes::kPadding;
  const std::size_t n = profile.pitches.size();
  out.notes = n;
  out.pitches.assign(n + 2 * pad, kNoPitch);
  out.minusPitches.assign(n + 2 * pad, -kNoPitch);
  out.weights.assign(n + 2 * pad, 0.0);
  out.positions.assign(n + 2 * pad, 0.0);
  for (std::size_t j = 0; j < n; ++j) {
    const std::size_t k = pad + n - 1 - j;
    out.pitches[k] = profile.pitches[j];
    out.minusPitches[k] = -profile.pitches[j];
    out.weights[k] = j < profile.weights.size() ? profile.weights[j] : 0.0;
    out.positions[k] = j < profile.positions.size() ? profile.positions[j] : 0.0;
  }
}

int histogramShift(const NoteProfile& a, const NoteProfile& b) {
  const auto& ha = a.histogram;
  const auto& hb = b.histogram;
  if (ha.empty() || hb.empty()) return 0;
  // min(ca / na, cb / nb) compared as min(ca * nb, cb * na): exact, so equal
  // overlaps tie exactly and the smallest shift wins.
  const std::uint64_t na = a.pitches.size();
  const std::uint64_t nb = b.pitches.size();
  // a's shares by pitch from its lowest; pitches are 8-bit values.
  const int lowA = ha.front().first;
  std::array<std::uint64_t, 256> shareA{};
  for (const auto& [pitch, count] : ha) {
    shareA[static_cast<std::size_t>(pitch - lowA) & 255] = count * nb;
  }
  const auto spanA = static_cast<unsigned>(ha.back().first - lowA);
  int best = 0;
  std::uint64_t bestOverlap = 0;
  bool found = false;
  for (int t = lowA - hb.back().first; t <= ha.back().first - hb.front().first; ++t) {
    std::uint64_t overlap = 0;
    for (const auto& [pitch, count] : hb) {
      const auto at = static_cast<unsigned>(pitch + t - lowA);
      if (at <= spanA && at < shareA.size()) overlap += std::min(shareA[at], count * na);
    }
    if (!found || overlap > bestOverlap) {
      best = t;
      bestOverlap = overlap;
      found = true;
    }
  }
  return best;
}

namespace {

// Both programmes over the notes of a (rows) against those of b (columns),
// R rows at a time along anti-diagonals: lane r works on row i0 + r, one
// column behind lane r - 1, so the R cells of a step depend only on the step
// before and can be computed side by side. Each cell:
//   EdIma    e = min(min(up, left) + 1, diag + (equal pitch ? dw : 1))
//   TemAlign t = max(max(diag + 2 r - 1, 0), max(up, left) + gap),
//            r = band x (1 - dw) x (1 - dp)
// with dw, dp the differences of metric weight and phrase position. The
// vector form below does the same operations in the same order, so both
// give the same values to the last bit.
template <std::size_t R>
struct Strip {
  int pitch[R];  // a's pitch minus the shift: equal to b's pitch when they match
  const double* band[R];
  double weight[R], position[R];
  double outE[R], outT[R];  // the lane's last cell: left of its next one
  double upE[R], upT[R];    // the cell above its last cell: its next diagonal
  double top[R];

  Strip(const NoteProfile& a, std::size_t i0, int shift) {
    for (std::size_t r = 0; r < R; ++r) {
      pitch[r] = a.pitches[i0 + r] - shift;
      band[r] = kBandTable.data() + (a.pitches[i0 + r] - shift + kBandOffset);
      weight[r] = a.weights[i0 + r];
      position[r] = a.positions[i0 + r];
      outE[r] = static_cast<double>(i0 + r + 1);  // column 0 of row i0 + r + 1
      outT[r] = 0.0;
      upE[r] = static_cast<double>(i0 + r);  // column 0 of row i0 + r
      upT[r] = 0.0;
      top[r] = 0.0;
    }
  }

  // Lane r on column j, with the cell above it (inE, inT).
  void cell(std::size_t r, std::size_t j, double inE, double inT, const NoteProfile& b) {
    const int q = b.pitches[j];
    const double dw = std::fabs(weight[r] - b.weights[j]);
    // Selected through a mask: which pitches are equal is not predictable.
    const std::uint64_t equal = std::uint64_t{0} - static_cast<std::uint64_t>(q == pitch[r]);
    const double substitution = std::bit_cast<double>(
        (std::bit_cast<std::uint64_t>(dw) & equal) | (std::bit_cast<std::uint64_t>(1.0) & ~equal));
    const double e = smaller(smaller(inE, outE[r]) + 1.0, upE[r] + substitution);
    const double match =
        band[r][-q] * (1.0 - dw) * (1.0 - std::fabs(position[r] - b.positions[j]));
    const double t = larger(larger(upT[r] + (2.0 * match - 1.0), 0.0),
                            larger(inT, outT[r]) + kAlignmentGap);
    upE[r] = inE;
    upT[r] = inT;
    outE[r] = e;
    outT[r] = t;
    top[r] = larger(top[r], t);
  }

  // Step s: lane r on column s - r for the lanes [first, end). Lanes run from
  // the last to the first, so that a lane reads the output of the lane before
  // it from the previous step; the last lane's cells form row i0 + R.
  void step(std::size_t s, std::size_t first, std::size_t end, const NoteProfile& b,
            double* rowE, double* rowT) {
    for (std::size_t r = end; r-- > first;) {
      const std::size_t j = s - r;
      if (r == 0) {
        cell(0, j, rowE[j + 1], rowT[j + 1], b);
      } else {
        cell(r, j, outE[r - 1], outT[r - 1], b);
      }
      if (r == R - 1) {
        rowE[j + 1] = outE[r];
        rowT[j + 1] = outT[r];
      }
    }
  }

  // The steps at which every lane has a column, unrolled so that the lanes'
  // values stay in registers.
  void fullSteps(std::size_t from, std::size_t to, const NoteProfile& b, double* rowE,
                 double* rowT) {
    for (std::size_t s = from; s < to; ++s) {
      [&]<std::size_t... k>(std::index_sequence<k...>) {
        (
            [&] {
              constexpr std::size_t r = R - 1 - k;
              const std::size_t j = s - r;
              if constexpr (r == 0) {
                cell(0, j, rowE[j + 1], rowT[j + 1], b);
              } else {
                cell(r, j, outE[r - 1], outT[r - 1], b);
              }
              if constexpr (r == R - 1) {
                rowE[j + 1] = outE[r];
                rowT[j + 1] = outT[r];
              }
            }(),
            ...);
      }(std::make_index_sequence<R>());
    }
  }
};

#if SUITE_FAMILY_AVX2
// The full steps of a strip of 4 V rows with the lanes in V vectors of four.
// b's notes are read from reversed copies, so that the columns s, s - 1, ...
// of a step lie side by side.
template <std::size_t V>
__attribute__((target("avx2"))) void fullStepsAvx2(Strip<4 * V>& strip, std::size_t from,
                                                   std::size_t to, const ReversedNotes& w,
                                                   double* rowE, double* rowT) {
  const auto n = static_cast<std::ptrdiff_t>(w.notes);
  const __m256d sign = _mm256_set1_pd(-0.0);
  const __m256d one = _mm256_set1_pd(1.0);
  const __m256d gap = _mm256_set1_pd(kAlignmentGap);
  __m128i pitch[V];
  __m256d weight[V], position[V], outE[V], outT[V], upE[V], upT[V];
  __m256d top = _mm256_loadu_pd(strip.top);
  for (std::size_t v = 0; v < V; ++v) {
    const std::size_t r = 4 * v;
    pitch[v] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(strip.pitch + r));
    weight[v] = _mm256_loadu_pd(strip.weight + r);
    position[v] = _mm256_loadu_pd(strip.position + r);
    outE[v] = _mm256_loadu_pd(strip.outE + r);
    outT[v] = _mm256_loadu_pd(strip.outT + r);
    upE[v] = _mm256_loadu_pd(strip.upE + r);
    upT[v] = _mm256_loadu_pd(strip.upT + r);
    if (v > 0) top = _mm256_max_pd(top, _mm256_loadu_pd(strip.top + r));
  }
  for (std::size_t s = from; s < to; ++s) {
    const auto step = static_cast<std::ptrdiff_t>(s);
    // Lane 0 reads row i0, every other lane the previous output of the lane
    // before it (lane 4 v from the last lane of the vector before).
    __m256d inE[V], inT[V];
    inE[0] = _mm256_set1_pd(rowE[s + 1]);
    inT[0] = _mm256_set1_pd(rowT[s + 1]);
    for (std::size_t v = 1; v < V; ++v) {
      inE[v] = _mm256_permute4x64_pd(outE[v - 1], 0xFF);
      inT[v] = _mm256_permute4x64_pd(outT[v - 1], 0xFF);
    }
    for (std::size_t v = 0; v < V; ++v) {
      inE[v] = _mm256_blend_pd(_mm256_permute4x64_pd(outE[v], 0x90), inE[v], 0x1);
      inT[v] = _mm256_blend_pd(_mm256_permute4x64_pd(outT[v], 0x90), inT[v], 0x1);
    }
    for (std::size_t v = 0; v < V; ++v) {
      // Column s - r at at + r % 4.
      const std::ptrdiff_t at = n - 1 - step + static_cast<std::ptrdiff_t>(4 * v);
      const std::int32_t* q = w.pitchAt() + at;
      const __m128i qi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
      const __m256d equal = _mm256_castsi256_pd(_mm256_cvtepi32_epi64(_mm_cmpeq_epi32(qi, pitch[v])));
      const __m256d dw = _mm256_andnot_pd(
          sign, _mm256_sub_pd(weight[v], _mm256_loadu_pd(w.weightAt() + at)));
      const __m256d substitution = _mm256_blendv_pd(one, dw, equal);
      const __m256d e = _mm256_min_pd(_mm256_add_pd(_mm256_min_pd(inE[v], outE[v]), one),
                                      _mm256_add_pd(upE[v], substitution));
      // Four table reads beat a gather here.
      const std::size_t r = 4 * v;
      const std::ptrdiff_t* minus = w.minusPitchAt() + at;
      const __m256d band = _mm256_setr_pd(strip.band[r][minus[0]], strip.band[r + 1][minus[1]],
                                          strip.band[r + 2][minus[2]], strip.band[r + 3][minus[3]]);
      const __m256d dp = _mm256_andnot_pd(
          sign, _mm256_sub_pd(position[v], _mm256_loadu_pd(w.positionAt() + at)));
      const __m256d match =
          _mm256_mul_pd(_mm256_mul_pd(band, _mm256_sub_pd(one, dw)), _mm256_sub_pd(one, dp));
      // match + match is 2 match exactly.
      const __m256d t = _mm256_max_pd(
          _mm256_max_pd(_mm256_add_pd(upT[v], _mm256_sub_pd(_mm256_add_pd(match, match), one)),
                        _mm256_setzero_pd()),
          _mm256_add_pd(_mm256_max_pd(inT[v], outT[v]), gap));
      upE[v] = inE[v];
      upT[v] = inT[v];
      outE[v] = e;
      outT[v] = t;
      top = _mm256_max_pd(top, t);
    }
    // The last lane's cell (column s - 4 V + 1) belongs to row i0 + 4 V.
    const __m128d highE = _mm256_extractf128_pd(outE[V - 1], 1);
    const __m128d highT = _mm256_extractf128_pd(outT[V - 1], 1);
    const std::ptrdiff_t written = step + 2 - static_cast<std::ptrdiff_t>(4 * V);
    rowE[written] = _mm_cvtsd_f64(_mm_unpackhi_pd(highE, highE));
    rowT[written] = _mm_cvtsd_f64(_mm_unpackhi_pd(highT, highT));
  }
  for (std::size_t v = 0; v < V; ++v) {
    const std::size_t r = 4 * v;
    _mm256_storeu_pd(strip.outE + r, outE[v]);
    _mm256_storeu_pd(strip.outT + r, outT[v]);
    _mm256_storeu_pd(strip.upE + r, upE[v]);
    _mm256_storeu_pd(strip.upT + r, upT[v]);
    // The largest score of the strip, in every lane.
    _mm256_storeu_pd(strip.top + r, top);
  }
}

// The full steps of a strip of eight rows with the lanes in one vector of
// eight, where the processor has them; the same operations as above.
__attribute__((target("avx2,avx512f"))) void fullStepsAvx512(Strip<8>& strip, std::size_t from,
                                                        std::size_t to, const ReversedNotes& w,
                                                        double* rowE, double* rowT) {
  const auto n = static_cast<std::ptrdiff_t>(w.notes);
  const __m512d sign = _mm512_set1_pd(-0.0);
  const __m512d one = _mm512_set1_pd(1.0);
  const __m512d gap = _mm512_set1_pd(kAlignmentGap);
  const __m512i up = _mm512_setr_epi64(0, 0, 1, 2, 3, 4, 5, 6);  // lane r from lane r - 1
  const __m512i minusPitch =
      _mm512_setr_epi64(-strip.pitch[0], -strip.pitch[1], -strip.pitch[2], -strip.pitch[3],
                        -strip.pitch[4], -strip.pitch[5], -strip.pitch[6], -strip.pitch[7]);
  const __m512d weight = _mm512_loadu_pd(strip.weight);
  const __m512d position = _mm512_loadu_pd(strip.position);
  __m512d outE = _mm512_loadu_pd(strip.outE);
  __m512d outT = _mm512_loadu_pd(strip.outT);
  __m512d upE = _mm512_loadu_pd(strip.upE);
  __m512d upT = _mm512_loadu_pd(strip.upT);
  __m512d top = _mm512_loadu_pd(strip.top);
  for (std::size_t s = from; s < to; ++s) {
    const auto step = static_cast<std::ptrdiff_t>(s);
    const __m512d inE = _mm512_mask_permutexvar_pd(_mm512_set1_pd(rowE[s + 1]), 0xFE, up, outE);
    const __m512d inT = _mm512_mask_permutexvar_pd(_mm512_set1_pd(rowT[s + 1]), 0xFE, up, outT);
    const std::ptrdiff_t at = n - 1 - step;  // column s - r at at + r
    const std::ptrdiff_t* minus = w.minusPitchAt() + at;
    const __mmask8 equal = _mm512_cmpeq_epi64_mask(_mm512_loadu_si512(minus), minusPitch);
    const __m512d dw = _mm512_castsi512_pd(_mm512_andnot_si512(
        _mm512_castpd_si512(sign),
        _mm512_castpd_si512(_mm512_sub_pd(weight, _mm512_loadu_pd(w.weightAt() + at)))));
    const __m512d substitution = _mm512_mask_blend_pd(equal, one, dw);
    const __m512d e = _mm512_min_pd(_mm512_add_pd(_mm512_min_pd(inE, outE), one),
                                    _mm512_add_pd(upE, substitution));
    const __m512d band = _mm512_setr_pd(
        strip.band[0][minus[0]], strip.band[1][minus[1]], strip.band[2][minus[2]],
        strip.band[3][minus[3]], strip.band[4][minus[4]], strip.band[5][minus[5]],
        strip.band[6][minus[6]], strip.band[7][minus[7]]);
    const __m512d dp = _mm512_castsi512_pd(_mm512_andnot_si512(
        _mm512_castpd_si512(sign),
        _mm512_castpd_si512(_mm512_sub_pd(position, _mm512_loadu_pd(w.positionAt() + at)))));
    const __m512d match =
        _mm512_mul_pd(_mm512_mul_pd(band, _mm512_sub_pd(one, dw)), _mm512_sub_pd(one, dp));
    const __m512d t = _mm512_max_pd(
        _mm512_max_pd(_mm512_add_pd(upT, _mm512_sub_pd(_mm512_add_pd(match, match), one)),
                      _mm512_setzero_pd()),
        _mm512_add_pd(_mm512_max_pd(inT, outT), gap));
    upE = inE;
    upT = inT;
    outE = e;
    outT = t;
    top = _mm512_max_pd(top, t);
    const std::ptrdiff_t written = step - 6;  // the last lane's column s - 7, plus 1
    const __m128d highE = _mm256_extractf128_pd(_mm512_extractf64x4_pd(outE, 1), 1);
    const __m128d highT = _mm256_extractf128_pd(_mm512_extractf64x4_pd(outT, 1), 1);
    rowE[written] = _mm_cvtsd_f64(_mm_unpackhi_pd(highE, highE));
    rowT[written] = _mm_cvtsd_f64(_mm_unpackhi_pd(highT, highT));
  }
  _mm512_storeu_pd(strip.outE, outE);
  _mm512_storeu_pd(strip.outT, outT);
  _mm512_storeu_pd(strip.upE, upE);
  _mm512_storeu_pd(strip.upT, upT);
  _mm512_storeu_pd(strip.top, top);
}

bool haveAvx512() {
  static const bool have = __builtin_cpu_supports("avx512f") != 0;
  return have;
}

bool haveAvx2() {
  static const bool have = __builtin_cpu_supports("avx2") != 0;
  return have;
}
#endif

// Rows i0 .. i0 + R - 1: rowE and rowT hold row i0 on entry (index = column
// + 1) and row i0 + R on return.
template <std::size_t R>
void alignRows(const NoteProfile& a, std::size_t i0, const NoteProfile& b, int shift,
               const ReversedNotes& w, AlignmentForm form, double* rowE, double* rowT,
               double& best) {
  const std::size_t n = b.pitches.size();
  Strip<R> strip(a, i0, shift);
#if SUITE_FAMILY_AVX2
  if constexpr (R % 4 == 0) {
    if (form != AlignmentForm::Plain) {
      // Every step in vector form: before its first column a lane meets
      // padding that keeps it at its boundary values (column 0 of its rows),
      // after its last it meets padding that scores no higher than the cells
      // before it; the rows and the reversed notes are padded for it.
      if constexpr (R == 8) {
        if (form == AlignmentForm::Avx512) {
          fullStepsAvx512(strip, 0, n + R - 1, w, rowE, rowT);
        } else {
          fullStepsAvx2<R / 4>(strip, 0, n + R - 1, w, rowE, rowT);
        }
      } else {
        fullStepsAvx2<R / 4>(strip, 0, n + R - 1, w, rowE, rowT);
      }
      rowE[0] = static_cast<double>(i0 + R);
      rowT[0] = 0.0;
      for (std::size_t r = 0; r < R; ++r) best = larger(best, strip.top[r]);
      return;
    }
  }
#else
  (void)w;
  (void)form;
#endif
  if (n >= R) {
    for (std::size_t s = 0; s + 1 < R; ++s) strip.step(s, 0, s + 1, b, rowE, rowT);
    strip.fullSteps(R - 1, n, b, rowE, rowT);
    for (std::size_t s = n; s + 1 < n + R; ++s) strip.step(s, s - n + 1, R, b, rowE, rowT);
  } else {
    for (std::size_t s = 0; s + 1 < n + R; ++s) {
      strip.step(s, s >= n ? s - n + 1 : 0, std::min(R, s + 1), b, rowE, rowT);
    }
  }
  rowE[0] = static_cast<double>(i0 + R);
  rowT[0] = 0.0;
  for (std::size_t r = 0; r < R; ++r) best = larger(best, strip.top[r]);
}

}  // namespace

namespace detail {

NoteAlignment alignNotes(const NoteProfile& a, const NoteProfile& b, int shift,
                         FamilyWorkspace& workspace, AlignmentForm form) {
  if (!alignmentFormAvailable(form)) form = AlignmentForm::Plain;
  const bool vector = form != AlignmentForm::Plain;
  const std::size_t m = a.pitches.size();
  const std::size_t n = b.pitches.size();
  if (m == 0 || n == 0) return {{kUndefined, 0.0}, {kUndefined, 0.0}};
  // Beyond the 8-bit pitch range every pair is out of band and unequal.
  shift = std::clamp(shift, -512, 512);
  FamilyWorkspace& w = workspace;
  // Rows with room for the vector form's steps before and after the columns.
  constexpr std::size_t pad = ReversedNotes::kPadding;
  w.previous.assign(n + 1 + 2 * pad, 0.0);
  w.current.assign(n + 1 + 2 * pad, 0.0);
  double* rowE = w.previous.data() + pad;
  double* rowT = w.current.data() + pad;
  for (std::size_t j = 0; j <= n; ++j) rowE[j] = static_cast<double>(j);
  const ReversedNotes* columns = &b.reversed;
  if (vector && b.reversed.notes != n) {
    reverseNotes(b, w.reversed);
    columns = &w.reversed;
  }
  double best = 0.0;
  std::size_t i = 0;
  // Eight rows at a time in two vectors keep two chains of steps in flight.
  if (vector) {
    for (; i + 8 <= m; i += 8) alignRows<8>(a, i, b, shift, *columns, form, rowE, rowT, best);
  }
  for (; i + 4 <= m; i += 4) alignRows<4>(a, i, b, shift, *columns, form, rowE, rowT, best);
  for (; i < m; ++i) alignRows<1>(a, i, b, shift, *columns, AlignmentForm::Plain, rowE, rowT, best);
  const double d = rowE[n];
  return {{1.0 - d / static_cast<double>(std::max(m, n)), d},
          {best / static_cast<double>(std::min(m, n)), best}};
}

}  // namespace detail

bool alignmentFormAvailable(AlignmentForm form) {
  switch (form) {
    case AlignmentForm::Plain:
      return true;
#if SUITE_FAMILY_AVX2
    case AlignmentForm::Avx2:
      return haveAvx2();
    case AlignmentForm::Avx512:
      return haveAvx2() && haveAvx512();
#else
    default:
      return false;
#endif
  }
  return false;
}

AlignmentForm fastestAlignmentForm() {
  static const AlignmentForm fastest = alignmentFormAvailable(AlignmentForm::Avx512)
                                           ? AlignmentForm::Avx512
                                       : alignmentFormAvailable(AlignmentForm::Avx2)
                                           ? AlignmentForm::Avx2
                                           : AlignmentForm::Plain;
  return fastest;
}

NoteAlignment alignNotes(const NoteProfile& a, const NoteProfile& b, int shift,
                         FamilyWorkspace& workspace) {
  return detail::alignNotes(a, b, shift, workspace, fastestAlignmentForm());
}

SimilarityResult edImaSimilarity(const NoteProfile& a, const NoteProfile& b, int shift,
                                 FamilyWorkspace& workspace) {
  return alignNotes(a, b, shift, workspace).edIma;
}

SimilarityResult temAlignSimilarity(const NoteProfile& a, const NoteProfile& b, int shift,
                                    FamilyWorkspace& workspace) {
  return alignNotes(a, b, shift, workspace).temAlign;
}

}  // namespace suite::similarity
