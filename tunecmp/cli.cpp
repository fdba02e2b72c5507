#include "tunecmp/cli.h"

#include "core/melody_reader.h"
#include "similarity/types_file.h"
#include "text/program.h"

namespace suite::tunecmp {

const std::string_view kUsageText =
    "Usage: tunecmp [OPTIONS] file1 file2               [OUTPUT]\n"
    "       tunecmp [OPTIONS] -f  fileFile              [OUTPUT]\n"
    "       tunecmp [OPTIONS] -f1 fileFile              [OUTPUT]\n"
    "       tunecmp [OPTIONS] -F  fileFile  file        [OUTPUT]\n"
    "       tunecmp [OPTIONS] -F2 fileFile1 fileFile2   [OUTPUT]\n"
    "       tunecmp [OPTIONS] -q  fileFile  query       [OUTPUT]\n"
    "       tunecmp [OPTIONS] -Q  fileFile  fileFile    [OUTPUT]\n"
    "       (long forms: --all-file, --next, --one-file, --file-file,\n"
    "       --query-file, --queries-file)\n"
    "where OPTIONS can be one or more of the following:\n"
    "-s,  --silent             silent, no output.\n"
    "-v,  --verbose            verbose, most output.\n"
    "-t,  --types TYPESFILE    use TYPESFILE, default is \"types.ini\".\n"
    "-th, --threshold THRESH   give extra info if sim>thres.\n"
    "-a,  --append             append to output file.\n"
    "-r,  --random N           choose N random files.\n"
    "-P,  --phrase             use phrase mode.\n"
    "-g,  --quant  QUANT       set quantization level to QUANT (as inverse division,\n"
    "                          default is 24).\n"
    "-d,  --decimal DEC        where DEC can be ',' (default) or '.' \n"
    "-FS, --field-separator SEP\n"
    "                          sets output field separator to SEP\n"
    "                          default is ';'\n"
    "     --no-trailing-separator\n"
    "                          end list lines with their last field, not with SEP.\n"
    "-M,  --matrix             output in matrix form (not usable with query options).\n"
    "-D,  --directory DIR      write the matrix files into DIR.\n"
    "-n,  --no-transpose       don't use best transposition.\n"
    "-l,  --list               write the numbered file list \"filelist.dat\".\n"
    "     --progress           show pairs done, rate and time left (also with -s).\n"
    "-j,  --jobs N             compare on N threads, 0 for every core (default 1).\n"
    "     --shard K/N          compare only the K-th of N equal slices of the pairs\n"
    "                          (result list only; the header is in slice 1).\n"
    "OR\n"
    "       tunecmp -p, --print print all supported similarity types to stdout\n"
    "       tunecmp --list-extra print the measures beyond those types to stdout\n"
    "       tunecmp -h, --help  show this help\n";

namespace {

// The message and the usage text; the run ends with a command-line error.
std::optional<int> fail(std::string_view message, std::ostream& err) {
  return text::failWithUsage(message, kUsageText, err);
}

// Every option except the mode: -th, -a, -P, -l, -r, -g, -D, -FS, -M, -n, -t
// and -d, checked in this order. The parser drops an option whose argument
// words run past the end, so a present numeric option always has its value.
std::optional<int> readOptions(const text::CommandLine& cl, CompareSettings& settings,
                               std::ostream& err) {
  using namespace option;
  settings.verbosity = cl.has(kVerbose) ? 2 : cl.has(kSilent) ? 0 : 1;
  settings.readerVerbosity = settings.verbosity;
  if (const std::optional<double> threshold = cl.doubleArg(kThreshold, 0)) {
    settings.threshold = *threshold;
  }
  settings.append = cl.has(kAppend);
  settings.phraseMode = cl.has(kPhrase);
  settings.writeFileList = cl.has(kList);
  if (const std::optional<std::int32_t> count = cl.intArg(kRandom, 0)) {
    settings.randomCount = *count;
  }
  if (const std::optional<std::int32_t> level = cl.intArg(kQuant, 0)) {
    // The quantisation grid needs at least one point per beat.
    if (*level < 1) return fail("Quantization level must be at least 1", err);
    if (*level % 2 != 0 && *level % 3 != 0) {
      err << "Warning: You're using a non-standard quantization level (" << *level << ")\n";
    }
    settings.quantLevel = *level;
  }
  if (cl.has(kDirectory)) {
    const std::optional<std::string> dir = cl.stringArg(kDirectory, 0);
    if (!dir) return fail("Directory name missing", err);
    settings.outputDirectory = *dir;
  }
  if (cl.has(kFieldSeparator)) {
    const std::optional<std::string> separator = cl.stringArg(kFieldSeparator, 0);
    if (!separator) return fail("Field separator missing", err);
    settings.fieldSeparator = *separator;
  }
  settings.matrixOutput = cl.has(kMatrix);
  settings.transpositionSearch = !cl.has(kNoTranspose) && !cl.has(kNoTransposeMisspelt);
  settings.trailingSeparator = !cl.has(kNoTrailingSeparator);
  settings.progress = cl.has(kProgress);
  if (cl.has(kJobs)) {
    const std::string value = cl.stringArg(kJobs, 0).value_or("");
    const std::optional<unsigned> jobs = text::parseJobCount(value);
    if (!jobs) return fail("Bad number of jobs '" + value + "' (0 or more; 0: every core)", err);
    settings.jobs = *jobs;
  }
  if (cl.has(kShard)) {
    const std::string value = cl.stringArg(kShard, 0).value_or("");
    const std::optional<text::Shard> shard = text::parseShard(value);
    if (!shard) return fail("Bad shard '" + value + "' (K/N with 1 <= K <= N)", err);
    settings.shard = *shard;
  }
  if (cl.has(kTypes)) {
    const std::optional<std::string> types = cl.stringArg(kTypes, 0);
    if (!types) return fail("Type file missing", err);
    settings.typesFile = *types;
  }
  if (cl.has(kDecimal)) {
    const std::optional<std::string> mark = cl.stringArg(kDecimal, 0);
    if (!mark) return fail("Float format missing", err);
    if (mark->front() != ',' && mark->front() != '.') {
      return fail("Unrecognized float formal", err);
    }
    settings.decimalComma = mark->front() == ',';
  }
  return std::nullopt;
}

// The mode: the first of -F2, -Q, -F, -q, -f, -f1 given, else two positional
// names; then the result file.
std::optional<int> readMode(const text::CommandLine& cl, CompareSettings& settings,
                            std::ostream& err) {
  using namespace option;
  // A list file named by the k-th argument of option id; the message when it is missing.
  const auto readList = [&](int id, std::size_t k, std::vector<std::string>& list,
                            std::string_view missing) -> std::optional<int> {
    const std::optional<std::string> name = cl.stringArg(id, k);
    if (!name) return fail(missing, err);
    if (!core::readFileList(*name, list, err)) return text::kUsageError;
    return std::nullopt;
  };
  const auto singleName = [&](int id, std::size_t k, std::vector<std::string>& list,
                              std::string_view missing) -> std::optional<int> {
    const std::optional<std::string> name = cl.stringArg(id, k);
    if (!name) return fail(missing, err);
    list.assign(1, *name);
    return std::nullopt;
  };

  std::vector<std::string>& list1 = settings.fileList1;
  std::vector<std::string>& list2 = settings.fileList2;
  std::optional<int> status;
  if (cl.has(kFileFile)) {
    if (!(status = readList(kFileFile, 0, list1, "File with file list missing"))) {
      status = readList(kFileFile, 1, list2, "File with file list missing");
    }
  } else if (cl.has(kQueriesFile)) {
    if (!(status = readList(kQueriesFile, 0, list1, "Query file list missing"))) {
      status = readList(kQueriesFile, 1, list2, "File with file list missing");
    }
    settings.queryMode = true;
    settings.verbosity = 0;
  } else if (cl.has(kOneFile) || cl.has(kQueryFile)) {
    const bool query = !cl.has(kOneFile);
    const int id = query ? kQueryFile : kOneFile;
    const std::string_view missing = query ? "Query file missing" : "";
    if (!(status = readList(id, 0, list1, missing))) status = singleName(id, 1, list2, missing);
    settings.queryMode = query;
  } else if (cl.has(kAllFile) || cl.has(kNext)) {
    const bool next = !cl.has(kAllFile);
    status = readList(next ? kNext : kAllFile, 0, list1, "File list missing");
    list2 = list1;
    settings.sameList = true;
    settings.nextOnly = next;
  } else {
    const std::optional<std::string> first = cl.positional(0);
    const std::optional<std::string> second = cl.positional(1);
    if (!first || !second) return fail("File list missing", err);
    list1.assign(1, *first);
    list2.assign(1, *second);
  }
  if (status) return status;

  const std::size_t positionalCount = cl.argCount(text::CommandLine::kPositional);
  const bool modeOption = cl.has(kQueryFile) || cl.has(kOneFile) || cl.has(kAllFile) ||
                          cl.has(kFileFile) || cl.has(kNext) || cl.has(kQueriesFile);
  if (positionalCount == 3) {
    settings.resultFile = *cl.positional(2);
  } else if (positionalCount == 1 && modeOption) {
    settings.resultFile = *cl.positional(0);
  }
  if (settings.queryMode && settings.matrixOutput) {
    return fail("Sorry, You can't use matrix mode with query modes", err);
  }
  // A slice of the pairs makes sense only where the results are written as
  // the pairs come, and only when every shard compares the same files.
  if (!settings.shard.whole()) {
    if (settings.queryMode) return fail("--shard cannot be used with query modes", err);
    if (settings.matrixOutput) return fail("--shard cannot be used with matrix output", err);
    if (settings.randomCount > 0) {
      return fail("--shard cannot be used with -r (each shard would draw other files)", err);
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<int> readSettings(const std::vector<std::string>& args, CompareSettings& settings,
                                std::ostream& out, std::ostream& err) {
  const text::CommandLine cl(args, kOptionTable);
  if (cl.has(option::kHelp)) {
    out << kUsageText;
    return 0;
  }
  if (!cl.unknownOptions().empty()) {
    return fail("Unknown option " + args[cl.unknownOptions().front()], err);
  }
  if (cl.has(option::kPrint)) {
    similarity::printTypeNames(out);
    return 0;
  }
  if (cl.has(option::kListExtra)) {
    similarity::printExtraMeasures(out);
    return 0;
  }
  if (std::optional<int> status = readOptions(cl, settings, err)) return status;
  return readMode(cl, settings, err);
}

}  // namespace suite::tunecmp
