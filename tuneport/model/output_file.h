// Writing one output file of the converter with every write and the final
// close checked, so that a full disk or a missing folder is never taken for
// success.
#pragma once

#include <string>
#include <string_view>

namespace suite::tuneport::model {

/// Text of a failure to create an output file.
inline constexpr std::string_view kCouldNotOpenFileText = "Could not open file";
/// Text of a failed write or close of an output file.
inline constexpr std::string_view kWriteErrorText = "I/O error during write";

/// Writes \a bytes to \a fileName (created or truncated). On failure returns
/// false with the file name first, then what failed and why, in
/// \a errorText: "out.csv: Could not open file: No such file or directory",
/// "out.csv: I/O error during write: No space left on device". A file that
/// failed part-way is left as far as it was written.
bool writeOutputFile(const std::string& fileName, std::string_view bytes, std::string& errorText);

}  // namespace suite::tuneport::model
