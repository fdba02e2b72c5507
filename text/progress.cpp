#include "text/progress.h"

#include <cmath>
#include <utility>

#include "text/text_format.h"

namespace suite::text {

ProgressReporter::ProgressReporter(std::ostream& out, std::size_t total, std::string unit,
                                   bool terminal, Clock clock)
    : out_(out),
      total_(total),
      unit_(std::move(unit)),
      terminal_(terminal),
      clock_(clock ? std::move(clock) : Clock([] { return 0.0; })),
      start_(clock_()),
      lastDrawn_(start_) {}

void ProgressReporter::advance(std::size_t count) {
  if (finished_) return;
  done_ += count;
  const double now = clock_();
  const double interval = terminal_ ? kTerminalInterval : kPlainInterval;
  // A self-updating line that is not on screen is drawn at once.
  if ((terminal_ && drawnLength_ == 0) || now - lastDrawn_ >= interval) draw(now, false);
}

void ProgressReporter::interrupt() {
  if (!terminal_ || drawnLength_ == 0) return;
  out_ << '\r' << std::string(drawnLength_, ' ') << '\r';
  out_.flush();
  drawnLength_ = 0;
}

void ProgressReporter::finish() {
  if (finished_) return;
  draw(clock_(), true);
  finished_ = true;
}

void ProgressReporter::draw(double now, bool finished) {
  lastDrawn_ = now;
  const std::string line = describe(done_, total_, unit_, now - start_, finished);
  if (!terminal_) {
    out_ << line << '\n';
    return;
  }
  out_ << '\r' << line;
  // Blank out the rest of a longer line drawn before.
  if (drawnLength_ > line.size()) out_ << std::string(drawnLength_ - line.size(), ' ');
  drawnLength_ = line.size();
  if (finished) {
    out_ << '\n';
    drawnLength_ = 0;
  }
  out_.flush();
}

std::string ProgressReporter::describe(std::size_t done, std::size_t total, std::string_view unit,
                                       double elapsed, bool finished) {
  const std::size_t percent = total == 0 ? 100 : done >= total ? 100 : done * 100 / total;
  std::string line = "Progress: " + std::to_string(done) + " of " + std::to_string(total) + " ";
  line.append(unit).append(" (").append(std::to_string(percent)).append("%)");
  if (elapsed > 0) {
    const double rate = static_cast<double>(done) / elapsed;
    line.append(", ").append(formatFixed(rate, 1)).append(" ").append(unit).append("/s");
    if (finished) {
      line.append(", done in ").append(clockText(elapsed));
    } else if (done > 0 && done < total) {
      const double left = std::ceil(static_cast<double>(total - done) / rate);
      line.append(", ").append(clockText(left)).append(" left");
    }
  } else if (finished) {
    line.append(", done in ").append(clockText(0));
  }
  return line;
}

std::string ProgressReporter::clockText(double seconds) {
  const double whole = std::round(seconds > 0 ? seconds : 0);
  // Beyond any real run; keeps the conversion below defined.
  const auto s = static_cast<unsigned long long>(whole < 1e15 ? whole : 1e15);
  const unsigned long long minutes = s / 60 % 60;
  const unsigned long long rest = s % 60;
  return std::to_string(s / 3600) + ":" + (minutes < 10 ? "0" : "") + std::to_string(minutes) +
         ":" + (rest < 10 ? "0" : "") + std::to_string(rest);
}

}  // namespace suite::text
