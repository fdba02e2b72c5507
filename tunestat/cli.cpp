#include "tunestat/cli.h"

#include <cctype>
#include <cstdint>
#include <vector>

#include "core/melody_reader.h"
#include "text/program.h"
#include "text/text_parse.h"

namespace suite::tunestat {
const std::string_view kUsageText =
    "Usage: tunestat [OPTIONS] FEATURES FILES\n"
    "where \n"
    "      FEATURES = ( (-f | --features) FEATURE [,FEATURE [,...]) | FEATUREFILE  \n"
    "      FILES    = ( (-l | --list)     FILEFILE  )    | FILENAME\n"
    "\n"
    "and OPTIONS can be one or more of the following:\n"
    "\n"
    "-m,  --mode MODE          where MODE can be 'f' (feature mode, default)\n"
    "                          or  't' (transform mode)\n"
    "-o,  --output FILENAME    use FILENAME as outputfile (resp. as\n"
    "                          base name in transform mode)\n"
    "-n,  --no-header          write no header line to output\n"
    "-g,  --quant  QUANT       set quantization level to QUANT (as inverse division,\n"
    "                          default is 24).\n"
    "-d,  --decimal DEC        where DEC can be ',' (default) or '.' \n"
    "-r,  --R  FORMAT          output format, where FORMAT can be 'csv'\n"
    "                          (csv-format, default),'R' (R compatible)\n"
    "                          or 'arff' (Weka)\n"
    "     --progress           show melodies done, rate and time left.\n"
    "-j,  --jobs N             compute on N threads, 0 for every core (default 1).\n"
    "     --shard K/N          compute only the K-th of N equal slices of the\n"
    "                          melody list (the header is in slice 1).\n"
    "     --no-trailing-separator\n"
    "                          rows end with their last field (as they always do;\n"
    "                          accepted as by tunecmp).\n"
    "OR:\n"
    "-p,  --print              print list of all features to stdout.\n"
    "-e,  --explanation        print list of features with short explanations.\n"
    "-t   --ton   FILE         show Krumhansl tonality analysis of file.\n"
    "-h,  --help               display this help\n";

namespace {

// An integer as sscanf's "%d" accepts it: blanks, an optional sign, a digit.
bool startsWithInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])) != 0) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  return i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) != 0;
}

// The names of a feature list that match no feature, split as
// parseFeatureList splits it: at ";" when the text holds one, else at ",",
// up to the first empty name.
std::vector<std::string_view> unknownFeatureNames(std::string_view list) {
  const char separator = list.find(';') != std::string_view::npos ? ';' : ',';
  std::vector<std::string_view> unknown;
  for (int n = 1; static_cast<std::size_t>(n) <= list.size() + 1; ++n) {
    const std::string_view name = text::fieldOf(list, n, separator);
    if (name.empty()) break;
    if (analysis::findFeature(name) < 0) unknown.push_back(name);
  }
  return unknown;
}

// The message and the usage text; the run ends with a command-line error.
std::optional<int> fail(std::string_view message, std::ostream& err) {
  return text::failWithUsage(message, kUsageText, err);
}

// The output options -n, -g, -o, -m, -r, -d, -j and --shard, checked in this
// order.
std::optional<int> readOptions(const text::CommandLine& cl, StatSettings& settings,
                               std::ostream& err) {
  using namespace option;
  OutputSettings& output = settings.output;
  output.header = !cl.has(kNoHeader);
  if (cl.has(kQuant)) {
    const std::optional<std::string> level = cl.stringArg(kQuant, 0);
    if (!level || !startsWithInteger(*level)) return fail("Quantization parameter missing.", err);
    output.quantLevel = text::parseIntLenient(*level);
    // The quantisation grid needs at least one point per beat.
    if (output.quantLevel < 1) return fail("Quantization level must be at least 1", err);
  }
  if (cl.has(kOutput)) {
    const std::optional<std::string> name = cl.stringArg(kOutput, 0);
    if (!name) return fail("Outputfile name missing.", err);
    output.outputName = *name;
  }
  if (cl.has(kMode)) {
    const std::optional<std::string> mode = cl.stringArg(kMode, 0);
    if (!mode) return fail("Mode parameter missing ('t'ransform or 'f'eature).", err);
    if (mode->front() != 'f' && mode->front() != 't') {
      return fail("Unknown mode parameter (can be 't'ransform or 'f'eature).", err);
    }
    settings.mode = mode->front() == 'f' ? Mode::Feature : Mode::Transform;
  }
  if (cl.has(kFormat)) {
    const std::optional<std::string> format = cl.stringArg(kFormat, 0);
    if (!format) return fail("Format parameter missing ('C'SV, 'R', 'A'RFF, or 'G'NUPLOT).", err);
    switch (std::toupper(static_cast<unsigned char>(format->front()))) {
      case 'C': output.format = OutputFormat::Csv; break;
      case 'R': output.format = OutputFormat::R; break;
      case 'A': output.format = OutputFormat::Arff; break;
      case 'G': output.format = OutputFormat::Gnuplot; break;
      default:
        return fail("Unknown format parameter (can be 'C'SV, 'R', 'A'RFF, or 'G'NUPLOT)", err);
    }
  }
  if (cl.has(kDecimal)) {
    const std::optional<std::string> mark = cl.stringArg(kDecimal, 0);
    if (!mark) return fail("Float format missing ('.' (English) or ',' (German)", err);
    if (mark->front() != ',' && mark->front() != '.') {
      return fail("Unknown float format (can be '.' (English) or ',' (German)", err);
    }
    output.decimalMark = mark->front() == ',' ? DecimalMark::Comma : DecimalMark::Point;
  }
  if (cl.has(kJobs)) {
    const std::string value = cl.stringArg(kJobs, 0).value_or("");
    const std::optional<unsigned> jobs = text::parseJobCount(value);
    if (!jobs) return fail("Bad number of jobs '" + value + "' (0 or more; 0: every core)", err);
    output.jobs = *jobs;
  }
  if (cl.has(kShard)) {
    const std::string value = cl.stringArg(kShard, 0).value_or("");
    const std::optional<text::Shard> shard = text::parseShard(value);
    if (!shard) return fail("Bad shard '" + value + "' (K/N with 1 <= K <= N)", err);
    settings.shard = *shard;
  }
  return std::nullopt;
}

// What to compute on what: the features (-f) and the melody files (-l or
// the first positional word).
std::optional<int> readSelection(const text::CommandLine& cl, StatSettings& settings,
                                 std::ostream& err) {
  using namespace option;
  if (!cl.has(kFeatures)) return fail("Features missing. Need something", err);
  const std::optional<std::string> features = cl.stringArg(kFeatures, 0);
  if (!features) return fail("Features missing. Need a file or names", err);
  if (analysis::parseFeatureList(*features, settings.features)) {
    for (const std::string_view name : unknownFeatureNames(*features)) {
      err << "Warning: unknown feature \"" << name << "\" left out\n";
    }
  } else if (!analysis::readFeatureFile(*features, settings.features, err)) {
    return fail("Could not read eatures definition file", err);
  }
  if (cl.has(kList)) {
    const std::optional<std::string> list = cl.stringArg(kList, 0);
    if (!list) return fail("File name missing", err);
    if (!core::readFileList(*list, settings.files, err)) return text::kUsageError;
  } else {
    const std::optional<std::string> file = cl.positional(0);
    if (!file) return fail("File name missing", err);
    settings.files.assign(1, *file);
  }
  return std::nullopt;
}

}  // namespace

std::optional<int> readSettings(const std::vector<std::string>& args, StatSettings& settings,
                                std::ostream& out, std::ostream& err) {
  using namespace option;
  const text::CommandLine cl(args, kOptionTable);
  if (cl.has(kHelp)) {
    out << kUsageText;
    return 0;
  }
  const std::optional<std::size_t> t = cl.indexOf(kTonality);
  for (const std::size_t i : cl.unknownOptions()) {
    // The word after -t is a file name, whatever it looks like.
    if (!t || i != *t + 1) return fail("Unknown option " + args[i], err);
  }
  if (cl.has(kPrint)) {
    analysis::listFeatures(out, false);
    return 0;
  }
  if (cl.has(kExplanation)) {
    listFeatureExplanations(out);
    return 0;
  }
  if (t) {
    // The file name is the word after -t, whatever else the line holds.
    if (*t + 1 >= args.size() || args[*t + 1].empty()) return fail("File name missing", err);
    settings.tonalityFile = args[*t + 1];
    return std::nullopt;
  }
  settings.progress = cl.has(kProgress);
  if (std::optional<int> status = readOptions(cl, settings, err)) return status;
  return readSelection(cl, settings, err);
}

FeatureShape featureShape(const analysis::FeatureDef& feature) {
  using namespace analysis::feature_flag;
  namespace statistic = analysis::feature_statistic;
  const std::uint32_t flags = feature.flags;
  // The groups in the order the feature computation tests them.
  if ((flags & kHuronContour) != 0) return FeatureShape::Single;
  if ((flags & kBarTime) != 0) {
    // A parameter turns the row into the number of bars.
    constexpr std::uint32_t kPerNote =
        kBarPhase | kBarPhaseDelta | kBarPhaseCos | kBarPhaseSin | kBarKey | kBeatPhase | kTonalPhase;
    return feature.parameter == 0 && (flags & kPerNote) != 0 ? FeatureShape::PerNote
                                                               : FeatureShape::Single;
  }
  if ((flags & kStatistic) != 0) {
    const std::uint32_t p = feature.parameter;
    if (p == statistic::kWholeSequence) return FeatureShape::PerNote;
    constexpr std::uint32_t kOneValue = statistic::kCount | statistic::kRange | statistic::kMean |
                                        statistic::kModus | statistic::kMedian |
                                        statistic::kVariance | statistic::kMinimum |
                                        statistic::kMaximum | statistic::kEntropy |
                                        statistic::kSkewness | statistic::kKurtosis;
    if ((p & kOneValue) == 0 && (p & statistic::kDivergences) != 0) return FeatureShape::PerSplit;
    return FeatureShape::Single;
  }
  if ((flags & kNGram) != 0) return FeatureShape::Single;
  return FeatureShape::PerNote;  // Thomassen and rule accents
}

void listFeatureExplanations(std::ostream& out) {
  for (const analysis::FeatureDef& feature : analysis::featureTable) {
    out << feature.name << " (" << feature.explanation << ')';
    switch (featureShape(feature)) {
      case FeatureShape::PerNote:
        out << " [per note; feature mode: first note's value]";
        break;
      case FeatureShape::PerSplit:
        out << " [per split point; feature mode: first split's value]";
        break;
      case FeatureShape::Single:
        break;
    }
    out << '\n';
  }
}

}  // namespace suite::tunestat
