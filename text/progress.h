// Progress line of a long run on a diagnostic stream: items done of a known
// total, the rate and the time left.
#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>

namespace suite::text {

/// Reports how far a run over a known number of items has come.
///
/// On a terminal one line rewrites itself ("\r") at most every
/// kTerminalInterval seconds; elsewhere (a log file, a pipe) a plain line is
/// written every kPlainInterval seconds. finish() writes the closing line in
/// both cases. Lines read
///   "Progress: 120 of 780 pairs (15%), 812.3 pairs/s, 0:00:01 left"
/// and, at the end, "Progress: 780 of 780 pairs (100%), 812.3 pairs/s, done in 0:00:01".
class ProgressReporter {
 public:
  /// Seconds of a steady clock; only differences are used.
  using Clock = std::function<double()>;

  static constexpr double kTerminalInterval = 0.25;
  static constexpr double kPlainInterval = 5.0;

  /// Reports on \a out the progress over \a total items called \a unit
  /// (a plural: "pairs", "melodies", "files"). \a terminal: \a out is shown on
  /// a terminal, so the line may rewrite itself. The clock starts now.
  ProgressReporter(std::ostream& out, std::size_t total, std::string unit, bool terminal,
                   Clock clock);

  /// Counts \a count more items done and renews the line when it is due.
  void advance(std::size_t count = 1);

  /// Erases a self-updating line so that other text can be written on the
  /// stream; the next advance() draws it again at once. Does nothing for
  /// plain lines.
  void interrupt();

  /// Writes the closing line (ending a self-updating one). Later calls do
  /// nothing.
  void finish();

  std::size_t done() const { return done_; }

  /// The text of one line without line break. \a elapsed in seconds; the
  /// rate and the time left are left out while it is not above 0.
  static std::string describe(std::size_t done, std::size_t total, std::string_view unit,
                              double elapsed, bool finished);

  /// \a seconds rounded to whole seconds, as "h:mm:ss" (the time left is
  /// rounded up before).
  static std::string clockText(double seconds);

 private:
  void draw(double now, bool finished);

  std::ostream& out_;
  std::size_t total_;
  std::string unit_;
  bool terminal_;
  Clock clock_;
  double start_;
  double lastDrawn_;
  std::size_t done_ = 0;
  std::size_t drawnLength_ = 0;  ///< length of the self-updating line on screen; 0: none
  bool finished_ = false;
};

}  // namespace suite::text
