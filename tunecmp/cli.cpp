#include "tunecmp/cli.h"

#include "core/melody_reader.h"
#include "similarity/types_file.h"

namespace suite::tunecmp {
namespace {

constexpr std::string_view kUsageText =
    "Usage: tunecmp [OPTIONS] file1 file2               [OUTPUT]\n"
    "       tunecmp [OPTIONS] -f  fileFile              [OUTPUT]\n"
    "       tunecmp [OPTIONS] -f1 fileFile              [OUTPUT]\n"
    "       tunecmp [OPTIONS] -F  fileFile  file        [OUTPUT]\n"
    "       tunecmp [OPTIONS] -F2 fileFile1 fileFile2   [OUTPUT]\n"
    "       tunecmp [OPTIONS] -q  fileFile  query       [OUTPUT]\n"
    "       tunecmp [OPTIONS] -Q  fileFile  fileFile    [OUTPUT]\n"
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
    "     --FS SEP             sets output field separator to SEP\n"
    "                          default is ';'\n"
    "-M,  --matrix             output in matrix form (not usable with query options).\n"
    "-n,  --no-tranpose        don't use best transposition.\n"
    "OR\n"
    "       tunecmp -p          print all supported similarity types to stdout\n"
    "       tunecmp -h          show this help\n";

// A mode's file list: the list file named by the option's k-th argument.
enum class ListRead { Ok, Missing, Unreadable };

ListRead readListArg(const text::CommandLine& cl, int id, std::size_t k,
                     std::vector<std::string>& list, std::ostream& err) {
  const std::optional<std::string> name = cl.stringArg(id, k);
  if (!name) return ListRead::Missing;
  return core::readFileList(*name, list, err) ? ListRead::Ok : ListRead::Unreadable;
}

}  // namespace

void printUsage(std::string_view message, std::ostream& err) {
  if (!message.empty()) err << message << '\n';
  err << kUsageText;
}

std::optional<int> readSettings(const std::vector<std::string>& args, CompareSettings& settings,
                                std::ostream& out, std::ostream& err) {
  using namespace option;
  const text::CommandLine cl(args, kOptionTable);
  const auto fail = [&err](std::string_view message) {
    printUsage(message, err);
    return std::optional<int>(-1);
  };

  if (cl.has(kPrint)) {
    similarity::printTypeNames(out);
    return 0;
  }

  settings.verbosity = cl.has(kVerbose) ? 2 : cl.has(kSilent) ? 0 : 1;
  settings.readerVerbosity = settings.verbosity;

  // The parser drops an option whose argument is missing, so the "parameter
  // missing" checks of -th, -r and -g only guard a change of the table.
  if (cl.has(kThreshold)) {
    const std::optional<double> threshold = cl.doubleArg(kThreshold, 0);
    if (!threshold) return fail("Threshold parameter missing");
    settings.threshold = *threshold;
  }
  settings.append = cl.has(kAppend);
  settings.phraseMode = cl.has(kPhrase);
  settings.writeFileList = cl.has(kList);
  if (cl.has(kRandom)) {
    const std::optional<std::int32_t> count = cl.intArg(kRandom, 0);
    if (!count) return fail("Random parameter missing");
    settings.randomCount = *count;
  }
  if (cl.has(kQuant)) {
    const std::optional<std::int32_t> level = cl.intArg(kQuant, 0);
    if (!level) return fail("Quantization parameter missing");
    // The quantisation grid needs at least one point per beat.
    if (*level < 1) return fail("Quantization level must be at least 1");
    if (*level % 2 != 0 && *level % 3 != 0) {
      err << "Warning: You're using a non-standard quantization level (" << *level << ")\n";
    }
    settings.quantLevel = *level;
  }
  if (cl.has(kDirectory)) {
    const std::optional<std::string> dir = cl.stringArg(kDirectory, 0);
    if (!dir) return fail("Directory name missing");
    settings.outputDirectory = *dir;
  }
  if (cl.has(kFieldSeparator)) {
    const std::optional<std::string> separator = cl.stringArg(kFieldSeparator, 0);
    if (!separator) return fail("Field separator missing");
    settings.fieldSeparator = *separator;
  }
  settings.matrixOutput = cl.has(kMatrix);
  settings.transpositionSearch = !cl.has(kNoTranspose);
  if (cl.has(kTypes)) {
    const std::optional<std::string> types = cl.stringArg(kTypes, 0);
    if (!types) return fail("Type file missing");
    settings.typesFile = *types;
  }
  if (cl.has(kDecimal)) {
    const std::optional<std::string> mark = cl.stringArg(kDecimal, 0);
    if (!mark) return fail("Float format missing");
    if (mark->front() == ',') {
      settings.decimalComma = true;
    } else if (mark->front() == '.') {
      settings.decimalComma = false;
    } else {
      return fail("Unrecognized float formal");
    }
  }

  // The mode: the first of -F2, -Q, -F, -q, -f, -f1 given, else two positional names.
  std::vector<std::string>& list1 = settings.fileList1;
  std::vector<std::string>& list2 = settings.fileList2;
  const auto singleName = [&cl](int id, std::size_t k, std::vector<std::string>& list) {
    const std::optional<std::string> name = cl.stringArg(id, k);
    if (name) list.assign(1, *name);
    return name.has_value();
  };
  if (cl.has(kFileFile)) {
    for (std::size_t k = 0; k < 2; ++k) {
      switch (readListArg(cl, kFileFile, k, k == 0 ? list1 : list2, err)) {
        case ListRead::Missing: return fail("File with file list missing");
        case ListRead::Unreadable: return -1;
        case ListRead::Ok: break;
      }
    }
  } else if (cl.has(kQueriesFile)) {
    switch (readListArg(cl, kQueriesFile, 0, list1, err)) {
      case ListRead::Missing: return fail("Query file list missing");
      case ListRead::Unreadable: return -1;
      case ListRead::Ok: break;
    }
    switch (readListArg(cl, kQueriesFile, 1, list2, err)) {
      case ListRead::Missing: return fail("File with file list missing");
      case ListRead::Unreadable: return -1;
      case ListRead::Ok: break;
    }
    settings.queryMode = true;
    settings.verbosity = 0;
  } else if (cl.has(kOneFile) || cl.has(kQueryFile)) {
    const bool query = !cl.has(kOneFile);
    const int id = query ? kQueryFile : kOneFile;
    const std::string_view missing = query ? "Query file missing" : "";
    switch (readListArg(cl, id, 0, list1, err)) {
      case ListRead::Missing: return fail(missing);
      case ListRead::Unreadable: return -1;
      case ListRead::Ok: break;
    }
    if (!singleName(id, 1, list2)) return fail(missing);
    settings.queryMode = query;
  } else if (cl.has(kAllFile) || cl.has(kNext)) {
    const bool next = !cl.has(kAllFile);
    switch (readListArg(cl, next ? kNext : kAllFile, 0, list1, err)) {
      case ListRead::Missing: return fail("File list missing");
      case ListRead::Unreadable: return -1;
      case ListRead::Ok: break;
    }
    list2 = list1;
    settings.sameList = true;
    settings.nextOnly = next;
  } else {
    const std::optional<std::string> first = cl.positional(0);
    const std::optional<std::string> second = cl.positional(1);
    if (!first || !second) return fail("File list missing");
    list1.assign(1, *first);
    list2.assign(1, *second);
  }

  const std::size_t positionalCount = cl.argCount(text::CommandLine::kPositional);
  const bool modeOption = cl.has(kQueryFile) || cl.has(kOneFile) || cl.has(kAllFile) ||
                          cl.has(kFileFile) || cl.has(kNext) || cl.has(kQueriesFile);
  if (positionalCount == 3) {
    settings.resultFile = *cl.positional(2);
  } else if (positionalCount == 1 && modeOption) {
    settings.resultFile = *cl.positional(0);
  }

  if (settings.queryMode && settings.matrixOutput) {
    return fail("Sorry, You can't use matrix mode with query modes");
  }
  return std::nullopt;
}

}  // namespace suite::tunecmp
