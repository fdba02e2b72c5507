#include "tuneport/driver.h"

#include <ostream>
#include <string_view>
#include <vector>

#include "text/progress.h"

namespace suite::tuneport {
namespace {

void say(std::ostream& stream, std::string_view text) {
  stream << text << '\n';
  stream.flush();
}

bool isSpace(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Checks that everything written to the output stream got through; reports
// a failure once per run.
class OutputCheck {
 public:
  explicit OutputCheck(const model::ConsoleStreams& console) : console_(console) {}
  bool ok() {
    console_.out.flush();
    if (console_.out.good()) return true;
    if (!reported_) say(console_.err, "Standard output: I/O error during write");
    reported_ = true;
    return false;
  }

 private:
  const model::ConsoleStreams& console_;
  bool reported_ = false;
};

// The reason a read failed; some readers fail without one (a table whose
// first line has no "/", an empty EsAC file, an unanswered track question),
// and an empty line would leave the user guessing which file failed.
std::string readFailure(const std::string& fileName, const Converter& converter) {
  const std::string text = converter.errorText();
  return text.empty() ? "Could not read " + fileName : text;
}

}  // namespace

bool nextWord(std::istream& in, std::string& word, std::size_t maxLength) {
  word.clear();
  std::streambuf* buf = in.rdbuf();
  if (buf == nullptr || !in.good()) return false;
  using Traits = std::char_traits<char>;
  Traits::int_type c = buf->sgetc();
  while (!Traits::eq_int_type(c, Traits::eof()) && isSpace(c)) c = buf->snextc();
  while (!Traits::eq_int_type(c, Traits::eof()) && !isSpace(c)) {
    if (c == 0) {
      // No file name holds a NUL byte: binary input, which could be endless.
      in.setstate(std::ios::failbit);
      word.clear();
      return false;
    }
    if (word.size() <= maxLength) word.push_back(Traits::to_char_type(c));
    c = buf->snextc();
  }
  if (Traits::eq_int_type(c, Traits::eof())) in.setstate(std::ios::eofbit);
  return !word.empty();
}

int convertFile(const Options& options, Converter& converter) {
  const model::ConsoleStreams& console = converter.console();
  const FormatId input = formatOfFile(options.inputName);
  const std::string output = options.outputGiven
                                 ? options.outputName
                                 : outputFileName(options.inputName, options.outputFormat);
  if (input == kNoFormat || input == kGnuplotFormat) {
    say(console.err, "Unrecognized input format!");
    return kConversionFailed;
  }
  if (!converter.createFileReader(options.inputName, input)) {
    say(console.err, readFailure(options.inputName, converter));
    return kConversionFailed;
  }
  if (!isFormat(options.outputFormat)) {
    say(console.err, "Unrecognized output format!");
    return kConversionFailed;
  }
  if (!converter.createFileWriter(output, options.outputFormat)) {
    say(console.err, converter.errorText());
    return kConversionFailed;
  }
  say(console.out, "Successfully written " + output);
  return OutputCheck(console).ok() ? 0 : kConversionFailed;
}

namespace {

// Converts one name read in batch mode, reporting on the error stream.
// False only when the run must end (no output format).
bool convertNamed(const std::string& name, const Options& options, Converter& converter,
                  OutputCheck& outputCheck) {
  const model::ConsoleStreams& console = converter.console();
  if (name.size() > kMaxBatchName) {
    say(console.err, name.substr(0, 60) + "...: File name too long");
    return true;
  }
  const std::string output = outputFileName(name, options.outputFormat);
  say(console.err, "Processing " + name + "...");
  const FormatId input = formatOfFile(name);
  if (input == kNoFormat || input == kGnuplotFormat) {
    say(console.err, "Unrecognized input format!");
    return true;
  }
  if (!converter.createFileReader(name, input)) {
    say(console.err, readFailure(name, converter));
    return true;
  }
  if (!isFormat(options.outputFormat)) {
    say(console.err, "Unrecognized output format!");
    return false;
  }
  if (converter.createFileWriter(output, options.outputFormat))
    say(console.err, output + " written");
  else
    say(console.err, converter.errorText());
  outputCheck.ok();
  return true;
}

// After the last name: a list that ended on a NUL byte or a read error is
// no list of names, and the run did not do what was asked.
bool nameListEndedWell(std::istream& in, std::ostream& err) {
  if (!in.fail() || in.eof()) return true;
  say(err, in.bad() ? "Standard input: I/O error during read"
                    : "Standard input: not a list of file names (NUL byte)");
  return false;
}

// With --progress the names are read first, so that the total is known.
int convertCounted(const Options& options, Converter& converter,
                   const text::RunEnvironment& environment) {
  const model::ConsoleStreams& console = converter.console();
  std::vector<std::string> names;
  std::size_t characters = 0;
  std::string name;
  while (nextWord(console.in, name, kMaxBatchName)) {
    characters += name.size();
    if (names.size() == kMaxCountedNames || characters > kMaxCountedCharacters) {
      say(console.err, kTooManyNamesText);
      return kConversionFailed;
    }
    names.push_back(name);
  }
  if (!nameListEndedWell(console.in, console.err)) return kConversionFailed;

  OutputCheck outputCheck(console);
  text::ProgressReporter progress(console.err, names.size(), "files", environment.errorIsTerminal,
                                  environment.wallSeconds);
  for (const std::string& each : names) {
    // Each file's messages (and MIDI track reports) start on a line of their own.
    progress.interrupt();
    if (!convertNamed(each, options, converter, outputCheck)) return kConversionFailed;
    progress.advance();
  }
  progress.finish();
  return kBatchDone;
}

}  // namespace

int convertBatch(const Options& options, Converter& converter,
                 const text::RunEnvironment& environment) {
  const model::ConsoleStreams& console = converter.console();
  model::ConversionSettings& settings = converter.settings();
  settings.msPerBeat = 500.0;
  settings.cut = 0.0;
  settings.phrase = 0;
  if (options.outputFormat == kNoFormat) {
    say(console.err, "Unrecognized output format.");
    return kConversionFailed;
  }
  if (options.progress) return convertCounted(options, converter, environment);
  OutputCheck outputCheck(console);
  std::string name;
  while (nextWord(console.in, name, kMaxBatchName))
    if (!convertNamed(name, options, converter, outputCheck)) return kConversionFailed;
  return nameListEndedWell(console.in, console.err) ? kBatchDone : kConversionFailed;
}

}  // namespace suite::tuneport
