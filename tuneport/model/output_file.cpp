#include "tuneport/model/output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace suite::tuneport::model {
namespace {

bool fail(std::string& errorText, const std::string& fileName, std::string_view what, int error) {
  errorText = fileName + ": " + std::string(what);
  if (error != 0) errorText += std::string(": ") + std::strerror(error);
  return false;
}

}  // namespace

bool writeOutputFile(const std::string& fileName, std::string_view bytes, std::string& errorText) {
  errno = 0;
  std::FILE* file = std::fopen(fileName.c_str(), "wb");
  if (file == nullptr) return fail(errorText, fileName, kCouldNotOpenFileText, errno);
  errno = 0;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() &&
                       std::fflush(file) == 0;
  const int writeError = errno;
  errno = 0;
  const bool closed = std::fclose(file) == 0;
  if (!written) return fail(errorText, fileName, kWriteErrorText, writeError);
  if (!closed) return fail(errorText, fileName, kWriteErrorText, errno);
  return true;
}

}  // namespace suite::tuneport::model
