#include "tuneport/esac/esac_record.h"

#include <array>

#include "text/text_parse.h"

namespace suite::tuneport::esac {
namespace {

// Larger basic units give resolutions beyond what a converter melody holds
// (a quarter of the basic unit is the least resolution).
constexpr std::int32_t kMaxBasicUnit = 1 << 22;

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::vector<std::string_view> words(std::string_view line) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && isSpace(line[i])) ++i;
    const std::size_t start = i;
    while (i < line.size() && !isSpace(line[i])) ++i;
    if (i > start) out.push_back(line.substr(start, i - start));
  }
  return out;
}

bool containsAny(std::string_view text, std::string_view signs) {
  return text.find_first_of(signs) != std::string_view::npos;
}

}  // namespace

std::string_view esacField(std::string_view text, std::string_view name) {
  std::string opening(name);
  opening += '[';
  const std::size_t at = text.find(opening);
  if (at == std::string_view::npos) return {};
  const std::size_t start = at + opening.size();
  const std::size_t end = text.find(']', start);
  return text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

std::int32_t tonicIndex(std::string_view name) {
  static constexpr std::array<std::string_view, 12> sharps{"C",  "C#", "D",  "D#", "E",  "F",
                                                           "F#", "G",  "G#", "A",  "A#", "B"};
  static constexpr std::array<std::string_view, 12> flats{"C",  "Db", "D",  "Eb", "E",  "F",
                                                          "Gb", "G",  "Ab", "A",  "Bb", "B"};
  for (std::size_t i = 0; i < sharps.size(); ++i)
    if (name == sharps[i] || name == flats[i]) return static_cast<std::int32_t>(i);
  return kUnknownTonic;
}

bool parseEsacRecord(std::string_view text, EsacRecord& record, std::string& errorText) {
  record = EsacRecord{};
  record.title = std::string(text.substr(0, text.find('\n')));
  record.cut = std::string(esacField(text, "CUT"));
  record.region = std::string(esacField(text, "REG"));
  record.tradition = std::string(esacField(text, "TRD"));
  record.function = std::string(esacField(text, "FKT"));
  record.keyLine = std::string(esacField(text, "KEY"));
  std::string_view melody = esacField(text, "MEL");
  while (!melody.empty() && isSpace(melody.front())) melody.remove_prefix(1);
  record.melodyText = std::string(melody);

  const std::vector<std::string_view> key = words(record.keyLine);
  if (!key.empty()) record.keyId = std::string(key[0]);
  const std::int32_t unit = key.size() > 1 ? text::parseIntLenient(key[1]) : 0;
  if (key.size() > 2) record.tonic = std::string(key[2]);
  record.tonicIndex = tonicIndex(record.tonic);
  for (std::size_t i = 3; i < key.size(); ++i) record.signatures.emplace_back(key[i]);

  // A negative unit is as meaningless as an odd one.
  if (unit <= 0 || unit % 2 != 0 || unit > kMaxBasicUnit) {
    errorText = "Basic unit invalid.";
    return false;
  }
  if (containsAny(melody, "()")) record.tupletFactor *= 3;
  if (containsAny(melody, "<>")) record.tupletFactor *= 5;
  if (containsAny(melody, "{}")) record.tupletFactor *= 7;
  record.basicUnit = unit * record.tupletFactor;
  if (record.signatures.size() > 1) {
    errorText = "Multiple Signatures found.";
    return false;
  }
  if (record.signatures.empty()) {
    errorText = "No Signatures found.";
    return false;
  }
  return true;
}

}  // namespace suite::tuneport::esac
