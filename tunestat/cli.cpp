#include "tunestat/cli.h"

#include <cctype>

#include "core/melody_reader.h"
#include "text/text_parse.h"

namespace suite::tunestat {
namespace {

// An integer as sscanf's "%d" accepts it: blanks, an optional sign, a digit.
bool startsWithInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])) != 0) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  return i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) != 0;
}

}  // namespace

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
    "OR:\n"
    "-p,  --print              print list of all features to stdout.\n"
    "-e,  --explanation        print list of features with short explanations.\n"
    "-t   --ton   FILE         show Krumhansl tonality analysis of file.\n"
    "-h,  --help               display this help\n";

void printUsage(std::string_view message, std::ostream& err) {
  if (!message.empty()) err << message << '\n';
  err << kUsageText;
}

std::optional<int> readSettings(const std::vector<std::string>& args, StatSettings& settings,
                                std::ostream& out, std::ostream& err) {
  using namespace option;
  const text::CommandLine cl(args, kOptionTable);
  const auto fail = [&err](std::string_view message) {
    printUsage(message, err);
    return std::optional<int>(-1);
  };

  if (cl.has(kHelp)) {
    printUsage("", err);
    return 0;
  }
  if (cl.has(kPrint) || cl.has(kExplanation)) {
    analysis::listFeatures(out, !cl.has(kPrint));
    return 0;
  }
  if (const std::optional<std::size_t> t = cl.indexOf(kTonality)) {
    // The file name is the word after -t, whatever else the line holds.
    if (*t + 1 >= args.size() || args[*t + 1].empty()) return fail("File name missing");
    settings.tonalityFile = args[*t + 1];
    return std::nullopt;
  }

  OutputSettings& output = settings.output;
  output.header = !cl.has(kNoHeader);
  if (cl.has(kQuant)) {
    const std::optional<std::string> level = cl.stringArg(kQuant, 0);
    if (!level || !startsWithInteger(*level)) return fail("Quantization parameter missing.");
    output.quantLevel = text::parseIntLenient(*level);
    // The quantisation grid needs at least one point per beat.
    if (output.quantLevel < 1) return fail("Quantization level must be at least 1");
  }
  if (cl.has(kOutput)) {
    const std::optional<std::string> name = cl.stringArg(kOutput, 0);
    if (!name) return fail("Outputfile name missing.");
    output.outputName = *name;
  }
  if (cl.has(kMode)) {
    const std::optional<std::string> mode = cl.stringArg(kMode, 0);
    if (!mode) return fail("Mode parameter missing ('t'ransform or 'f'eature).");
    if (mode->front() == 'f') {
      settings.mode = Mode::Feature;
    } else if (mode->front() == 't') {
      settings.mode = Mode::Transform;
    } else {
      return fail("Unknown mode parameter (can be 't'ransform or 'f'eature).");
    }
  }
  if (cl.has(kFormat)) {
    const std::optional<std::string> format = cl.stringArg(kFormat, 0);
    if (!format) return fail("Format parameter missing ('C'SV, 'R', 'A'RFF, or 'G'NUPLOT).");
    switch (std::toupper(static_cast<unsigned char>(format->front()))) {
      case 'C': output.format = OutputFormat::Csv; break;
      case 'R': output.format = OutputFormat::R; break;
      case 'A': output.format = OutputFormat::Arff; break;
      case 'G': output.format = OutputFormat::Gnuplot; break;
      default: return fail("Unknown format parameter (can be 'C'SV, 'R', 'A'RFF, or 'G'NUPLOT)");
    }
  }
  if (cl.has(kDecimal)) {
    const std::optional<std::string> mark = cl.stringArg(kDecimal, 0);
    if (!mark) return fail("Float format missing ('.' (English) or ',' (German)");
    if (mark->front() == ',') {
      output.decimalMark = DecimalMark::Comma;
    } else if (mark->front() == '.') {
      output.decimalMark = DecimalMark::Point;
    } else {
      return fail("Unknown float format (can be '.' (English) or ',' (German)");
    }
  }

  if (!cl.has(kFeatures)) return fail("Features missing. Need something");
  const std::optional<std::string> features = cl.stringArg(kFeatures, 0);
  if (!features) return fail("Features missing. Need a file or names");
  if (!analysis::parseFeatureList(*features, settings.features) &&
      !analysis::readFeatureFile(*features, settings.features, err)) {
    return fail("Could not read eatures definition file");
  }

  if (cl.has(kList)) {
    const std::optional<std::string> list = cl.stringArg(kList, 0);
    if (!list) return fail("File name missing");
    if (!core::readFileList(*list, settings.files, err)) return -1;
  } else {
    const std::optional<std::string> file = cl.positional(0);
    if (!file) return fail("File name missing");
    settings.files.assign(1, *file);
  }
  return std::nullopt;
}

}  // namespace suite::tunestat
