// Checked output: a file opened by name, or a stream owned by the caller
// (standard output), whose every write, flush and final close is checked, so
// that a full disk, a missing folder or a closed standard output is reported
// once and never passes for success.
#pragma once

#include <cstdio>
#include <ostream>
#include <string>
#include <string_view>

namespace suite::text {

class OutputFile {
 public:
  enum class Mode { Create, Append };
  enum class Failure { None, Open, Write };

  /// Not open; every write fails as an open failure of an unnamed output.
  OutputFile() = default;

  /// Opens \a path as bytes, replacing it (Create) or appending to it.
  /// Check failed() or ok(); the system's reason is kept.
  static OutputFile open(std::string path, Mode mode = Mode::Create);

  /// Writes to \a stream (not owned; standard output), called \a name in
  /// messages. close() flushes it; the stream's error state counts as a
  /// write failure.
  static OutputFile toStream(std::ostream& stream, std::string name = "standard output");

  OutputFile(OutputFile&& other) noexcept;
  OutputFile& operator=(OutputFile&& other) noexcept;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  /// Closes a file still open, unchecked (call close() to know).
  ~OutputFile();

  /// Writes \a bytes (buffered). False once anything failed; after the first
  /// failure nothing more is written.
  bool write(std::string_view bytes);
  /// \a text and a line feed.
  bool writeLine(std::string_view text);
  /// Hands the buffered bytes to the system (or flushes the stream).
  bool flush();
  /// Flushes and closes the file (a stream is flushed, not closed). False
  /// when this or anything before failed. Later calls return the same.
  bool close();

  bool ok() const { return failure_ == Failure::None; }
  bool failed() const { return failure_ != Failure::None; }
  Failure failure() const { return failure_; }
  const std::string& name() const { return name_; }
  /// The system's description of the first failure ("No space left on
  /// device"); empty while there is none.
  const std::string& reason() const { return reason_; }

  /// Writes the failure to \a err, the first time only: "Could not open
  /// <name>" or, for a failed write or close, \a writeHeadline (by default
  /// "Error writing <name>"), then "<name>: <reason>", each on its own line.
  /// False when there is nothing (more) to report.
  bool report(std::ostream& err, std::string_view writeHeadline = {});

 private:
  void fail(Failure failure, int errorNumber);

  std::FILE* file_ = nullptr;
  std::ostream* stream_ = nullptr;
  std::string name_;
  Failure failure_ = Failure::Open;
  std::string reason_ = "not opened";
  bool reported_ = false;
  bool closed_ = false;
};

/// The end of a program run whose standard output is \a out: flushes it and,
/// when that or an earlier write to it failed, reports "Error writing
/// standard output" with the reason on \a err. Returns \a status, or 1 in
/// place of a 0 when standard output failed.
int finishStandardOutput(int status, std::ostream& out, std::ostream& err);

}  // namespace suite::text
