// Table-driven command-line parser shared by the suite's programs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace suite::text {

/// One row of a program's option table. An option is written "-" + shortName
/// or "--" + longName and takes the argCount words that follow it. A row with
/// an empty shortName has only the long form.
struct OptionSpec {
  int id;
  std::string_view shortName;
  std::string_view longName;
  /// Number of argument words; kUntilNextDash takes every following word up
  /// to the next one that starts with "-".
  int argCount;

  static constexpr int kUntilNextDash = -1;
};

/// The options recognised on one command line, and the positional words.
///
/// Each table row is looked up on its own: the first word (after the program
/// name) equal to "-" + shortName, or failing that the first equal to
/// "--" + longName. An option whose arguments would run past the end of the
/// command line is dropped as absent. Words between options are ignored; the
/// positional words are those after the last argument of any recognised
/// option (all words when none was recognised).
class CommandLine {
 public:
  /// Id of the positional words in has(), argCount() and the *Arg() getters.
  static constexpr int kPositional = -1;

  CommandLine() = default;
  CommandLine(const std::vector<std::string>& args, std::span<const OptionSpec> options) {
    parse(args, options);
  }

  /// Parses \a args (args[0] is the program name) against \a options,
  /// replacing what an earlier call recorded.
  void parse(const std::vector<std::string>& args, std::span<const OptionSpec> options);

  /// The option was recognised; for kPositional: at least one positional word.
  bool has(int id) const;

  /// The number of argument words of the option (of positional words for
  /// kPositional); 0 when it is absent.
  std::size_t argCount(int id) const;

  /// The k-th argument (from 0) read as atoi does; nullopt when the option is
  /// absent or has no k-th argument.
  std::optional<std::int32_t> intArg(int id, std::size_t k) const;

  /// The k-th argument read as atof does; nullopt as for intArg.
  std::optional<double> doubleArg(int id, std::size_t k) const;

  /// The k-th argument; nullopt also when that argument is the empty word.
  std::optional<std::string> stringArg(int id, std::size_t k) const;

  /// The k-th positional word (which may be empty); nullopt when there are
  /// not more than k positional words.
  std::optional<std::string> positional(std::size_t k) const;

  /// Index of the option word in the argument vector (of the first positional
  /// word for kPositional); nullopt when it was not recognised. For options
  /// whose value is simply the word that follows them, whatever it is.
  std::optional<std::size_t> indexOf(int id) const;

  /// Indices (in the argument vector) of the words that look like options
  /// ("-" and at least one more character) but are neither an option word of
  /// the table (a repeated option is not unknown) nor an argument word of a
  /// recognised option, in command-line order.
  const std::vector<std::size_t>& unknownOptions() const { return unknown_; }

 private:
  struct Recognised {
    int id;
    std::size_t index;  ///< of the option word (of the first word for kPositional)
    std::size_t count;  ///< argument words following it (positional words)
  };

  const Recognised* find(int id) const;
  const std::string* word(int id, std::size_t k) const;

  std::vector<std::string> args_;
  std::vector<Recognised> recognised_;
  std::vector<std::size_t> unknown_;
};

/// True when every row of an option table has a long name and no row uses
/// the positional id, and no two rows share an id, a short name or a long
/// name.
constexpr bool optionTableIsConsistent(std::span<const OptionSpec> table) {
  for (std::size_t i = 0; i < table.size(); ++i) {
    const OptionSpec& o = table[i];
    if (o.id == CommandLine::kPositional || o.longName.empty()) return false;
    for (std::size_t j = 0; j < i; ++j) {
      const OptionSpec& p = table[j];
      if (p.id == o.id || (!o.shortName.empty() && p.shortName == o.shortName) ||
          p.longName == o.longName) {
        return false;
      }
    }
  }
  return true;
}

}  // namespace suite::text
