#include "tunecmp/app.h"

#include "similarity/types_file.h"
#include "tunecmp/cli.h"

namespace suite::tunecmp {

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
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

  // The similarity engine is not part of this build yet: stop before any
  // melody is read or any output file is touched.
  err << "tunecmp: comparing melodies is not available in this build yet\n";
  return 1;
}

}  // namespace suite::tunecmp
