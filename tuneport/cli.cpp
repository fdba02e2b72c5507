#include "tuneport/cli.h"

#include "text/text_parse.h"
#include "tuneport/model/validation.h"

namespace suite::tuneport {
namespace {

const OptionRow* findOption(const std::string& word) {
  for (const OptionRow& row : kOptions)
    for (const std::string_view name : row.names)
      if (!name.empty() && name == word) return &row;
  return nullptr;
}

void apply(OptionId id, const std::string& value, Options& o) {
  model::ConversionSettings& s = o.settings;
  switch (id) {
    case OptionId::Format: o.outputFormat = formatFromName(value); break;
    case OptionId::Tempo:
      if (const double ms = 60000.0 / text::parseDoubleLenient(value); model::validTempo(ms))
        s.msPerBeat = ms;
      break;
    case OptionId::Input: o.inputName = value; break;
    case OptionId::Output:
      o.outputName = value;
      o.outputGiven = true;
      break;
    case OptionId::Stdin: o.batch = true; break;
    case OptionId::Cut: s.cut = text::parseDoubleLenient(value); break;
    case OptionId::Phrase: s.phrase = text::parseIntLenient(value); break;
    case OptionId::Segment: s.segment = true; break;
    case OptionId::Quantize: s.quantize = text::parseIntLenient(value); break;
    case OptionId::IgnoreTempoChanges: s.ignoreTempoChanges = true; break;
    case OptionId::Track: s.track = text::parseIntLenient(value); break;
    case OptionId::Progress: o.progress = true; break;
    case OptionId::Help: break;
  }
}

}  // namespace

ParseResult parseCommandLine(const std::vector<std::string>& args) {
  ParseResult result;
  if (args.size() < 2) return result;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& word = args[i];
    const OptionRow* row = findOption(word);
    if (row == nullptr) {
      result.message =
          (word.size() > 1 && word.front() == '-' ? "Unknown option " : "Unknown argument ") + word;
      return result;
    }
    if (row->id == OptionId::Help) {
      result.status = ParseResult::Status::Help;
      return result;
    }
    std::string value;
    if (row->takesValue) {
      if (i + 1 < args.size()) {
        value = args[++i];
      } else if (row->id == OptionId::Quantize) {
        continue;  // -q at the end keeps its default
      } else {
        result.message = "Missing value for " + word;
        return result;
      }
    }
    apply(row->id, value, result.options);
  }
  result.status = ParseResult::Status::Run;
  return result;
}

}  // namespace suite::tuneport
