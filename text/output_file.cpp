#include "text/output_file.h"

#include <cerrno>
#include <cstring>
#include <utility>

namespace suite::text {
namespace {

// The system's words for an error number; a stream that failed without
// setting one gets a plain "write error".
std::string describe(int errorNumber) {
  return errorNumber != 0 ? std::string(std::strerror(errorNumber)) : std::string("write error");
}

// Marks a stream whose failure has been reported, so that whoever notices it
// next (finishStandardOutput) does not report it again.
int reportedMark() {
  static const int index = std::ios_base::xalloc();
  return index;
}

}  // namespace

OutputFile OutputFile::open(std::string path, Mode mode) {
  OutputFile output;
  output.name_ = std::move(path);
  errno = 0;
  output.file_ = std::fopen(output.name_.c_str(), mode == Mode::Create ? "wb" : "ab");
  if (output.file_ == nullptr) {
    output.reason_ = describe(errno);
    return output;
  }
  output.failure_ = Failure::None;
  output.reason_.clear();
  return output;
}

OutputFile OutputFile::toStream(std::ostream& stream, std::string name) {
  OutputFile output;
  output.stream_ = &stream;
  output.name_ = std::move(name);
  output.failure_ = Failure::None;
  output.reason_.clear();
  if (!stream) output.fail(Failure::Write, 0);
  return output;
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)),
      stream_(std::exchange(other.stream_, nullptr)),
      name_(std::move(other.name_)),
      failure_(other.failure_),
      reason_(std::move(other.reason_)),
      reported_(other.reported_),
      closed_(other.closed_) {}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
  if (this != &other) {
    if (file_ != nullptr) std::fclose(file_);
    file_ = std::exchange(other.file_, nullptr);
    stream_ = std::exchange(other.stream_, nullptr);
    name_ = std::move(other.name_);
    failure_ = other.failure_;
    reason_ = std::move(other.reason_);
    reported_ = other.reported_;
    closed_ = other.closed_;
  }
  return *this;
}

OutputFile::~OutputFile() {
  if (file_ != nullptr) std::fclose(file_);
}

void OutputFile::fail(Failure failure, int errorNumber) {
  if (failure_ != Failure::None) return;
  failure_ = failure;
  reason_ = describe(errorNumber);
}

bool OutputFile::write(std::string_view bytes) {
  if (failure_ != Failure::None) return false;
  if (bytes.empty()) return true;
  errno = 0;
  if (closed_) {
    fail(Failure::Write, EBADF);
  } else if (file_ != nullptr) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
      fail(Failure::Write, errno);
    }
  } else if (stream_ != nullptr) {
    if (!stream_->write(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
      fail(Failure::Write, errno);
    }
  } else {
    fail(Failure::Write, EBADF);  // never opened
  }
  return ok();
}

bool OutputFile::writeLine(std::string_view text) { return write(text) && write("\n"); }

bool OutputFile::flush() {
  if (failure_ != Failure::None || closed_) return ok();
  errno = 0;
  if (file_ != nullptr) {
    if (std::fflush(file_) != 0) fail(Failure::Write, errno);
  } else if (stream_ != nullptr) {
    // Straight to the buffer: a stream already in error would skip flush().
    std::streambuf* buffer = stream_->rdbuf();
    if ((buffer != nullptr && buffer->pubsync() == -1) || !*stream_) fail(Failure::Write, errno);
  }
  return ok();
}

bool OutputFile::close() {
  if (file_ != nullptr) {
    std::FILE* file = std::exchange(file_, nullptr);
    errno = 0;
    const bool flushed = failure_ == Failure::None && std::fflush(file) == 0;
    if (failure_ == Failure::None && !flushed) fail(Failure::Write, errno);
    errno = 0;
    if (std::fclose(file) != 0) fail(Failure::Write, errno);
  } else if (stream_ != nullptr && !closed_) {
    flush();
  }
  closed_ = true;
  return ok();
}

bool OutputFile::report(std::ostream& err, std::string_view writeHeadline) {
  if (failure_ == Failure::None || reported_) return false;
  reported_ = true;
  if (stream_ != nullptr) stream_->iword(reportedMark()) = 1;
  if (failure_ == Failure::Open) {
    err << "Could not open " << name_ << '\n';
  } else if (writeHeadline.empty()) {
    err << "Error writing " << name_ << '\n';
  } else {
    err << writeHeadline << '\n';
  }
  err << name_ << ": " << reason_ << '\n';
  return true;
}

int finishStandardOutput(int status, std::ostream& out, std::ostream& err) {
  // A stream that failed earlier is cleared so that what it still holds is
  // flushed: that usually fails again and tells the reason.
  const bool failedEarlier = !out;
  out.clear();
  OutputFile check = OutputFile::toStream(out);
  if (check.close() && !failedEarlier) return status;
  if (out.iword(reportedMark()) != 0) return status == 0 ? 1 : status;
  if (check.ok()) {
    out.setstate(std::ios::badbit);
    check = OutputFile::toStream(out);  // fails, for want of a reason with "write error"
  }
  check.report(err);
  out.setstate(std::ios::badbit);
  return status == 0 ? 1 : status;
}

}  // namespace suite::text
