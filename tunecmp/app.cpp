#include "tunecmp/app.h"

#include <memory>

#include "core/melody_reader.h"
#include "text/text_format.h"
#include "similarity/engine.h"
#include "similarity/gauss_rhythm.h"
#include "similarity/types_file.h"
#include "tunecmp/cli.h"
#include "tunecmp/driver.h"
#include "tunecmp/output.h"

namespace suite::tunecmp {
namespace {

constexpr const char* kBanner = "tunecmp v1.0.3 - melodic similarity, melody analysis suite";

// The melodies of one list; a file that fails stays as an empty melody at
// its place.
std::vector<core::Melody> loadMelodies(core::MelodyReader& reader,
                                       const std::vector<std::string>& names) {
  std::vector<core::Melody> melodies;
  core::readMelodyFiles(reader, names, melodies);
  return melodies;
}

}  // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const text::RunEnvironment& environment) {
  const double start = environment.processorMilliseconds();
  const auto elapsed = [&environment](double since) {
    return environment.processorMilliseconds() - since;
  };

  CompareSettings settings;
  if (const std::optional<int> status = readSettings(args, settings, out, err)) return *status;

  similarity::SelectedMeasures selected;
  if (!similarity::loadTypesFile(settings.typesFile, settings.fieldSeparator, settings.verbosity,
                                 selected, err)) {
    similarity::addDefaultTypes(settings.fieldSeparator, settings.verbosity, selected, err);
  }
  if (selected.measures.empty()) {
    err << "No valid similarity measure found\n";
    return -1;
  }
  const std::vector<similarity::CombiType>& measures = selected.measures;

  std::vector<std::string>& list1 = settings.fileList1;
  std::vector<std::string>& list2 = settings.fileList2;
  if (settings.randomCount > 0) {
    RandomGenerator random(environment.calendarSeconds());
    const auto n = static_cast<std::size_t>(settings.randomCount);
    list1 = randomSubset(list1, n, random, out);
    list2 = settings.sameList ? list1 : randomSubset(list2, n, random, out);
  }

  std::unique_ptr<similarity::GaussTable> gauss;
  if (selected.usesGaussRhythm) {
    gauss = std::make_unique<similarity::GaussTable>();
    // Without a table the kernel is computed directly, with the same values.
    if (!similarity::buildGaussTable(*gauss, err)) gauss.reset();
  }

  core::MelodyReader reader(err, settings.quantLevel);
  reader.verbosity = settings.readerVerbosity;
  const std::vector<core::Melody> melodies1 = loadMelodies(reader, list1);
  std::vector<core::Melody> ownMelodies2;
  if (!settings.sameList) ownMelodies2 = loadMelodies(reader, list2);
  const std::vector<core::Melody>& melodies2 = settings.sameList ? melodies1 : ownMelodies2;
  err << "Reading files completed in " << text::formatGeneral(elapsed(start)) << " ms\n";

  if (settings.verbosity > 0) err << kBanner << "\n\n";
  const PairMode mode = pairModeOf(settings);
  const std::size_t count = comparisonCount(mode, list1.size(), list2.size());
  if (settings.phraseMode) {
    writePhraseReport(melodies1, settings.sameList ? nullptr : &melodies2, err);
  }
  if (settings.verbosity > 0) {
    err << "Number of files 1: " << list1.size() << '\n'
        << "Number of files 2: " << list2.size() << '\n'
        << "Number of comparings: " << count << "\n\n";
  }

  if (settings.listOutput() && !settings.append) {
    writeResultLine(settings.resultFile, selected.header, WriteMode::Create, err);
  }

  // Each melody is prepared once for all its pairs.
  const similarity::PreparationPlan plan = similarity::PreparationPlan::forMeasures(
      measures, settings.transpositionSearch, settings.phraseMode);
  const std::vector<similarity::PreparedMelody> prepared1 =
      similarity::prepareMelodies(melodies1, plan, err);
  std::vector<similarity::PreparedMelody> ownPrepared2;
  if (!settings.sameList) ownPrepared2 = similarity::prepareMelodies(melodies2, plan, err);
  const std::vector<similarity::PreparedMelody>& prepared2 =
      settings.sameList ? prepared1 : ownPrepared2;

  similarity::EngineContext engine(err, gauss.get());
  const PairRun pairRun{settings, measures, engine, environment, out, err};
  ResultTable table;
  table.reserve(count);
  forEachPair(mode, list1.size(), list2.size(), [&](std::size_t i, std::size_t j) {
    table.push_back({i, j, comparePair(pairRun, prepared1[i], prepared2[j], list1[i], list2[j])});
  });

  const ResultSource source{list1, list2, table, mode};
  if (settings.queryMode) {
    writeQueryReport(settings.resultFile, source, measures, out, err);
  } else if (settings.matrixOutput) {
    const std::string base = settings.outputDirectory.empty()
                                  ? settings.resultFile
                                  : settings.outputDirectory + "/" + settings.resultFile;
    writeMatrixFiles(base, source, measures, settings.fieldSeparator, err);
  }
  if (settings.writeFileList) writeFileList(list1);
  err << count << " comparings completed in " << text::formatGeneral(elapsed(start) * 0.001)
      << " s\n";
  return 0;
}

}  // namespace suite::tunecmp
