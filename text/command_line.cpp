#include "text/command_line.h"

#include <algorithm>

#include "text/text_parse.h"

namespace suite::text {
namespace {

// Index of the first word from index 1 equal to \a prefix + \a name, or 0.
std::size_t findWord(const std::vector<std::string>& args, std::string_view prefix,
                     std::string_view name) {
  if (name.empty()) return 0;  // a long-only option has no short form
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string_view w = args[i];
    if (w.size() == prefix.size() + name.size() && w.starts_with(prefix) && w.ends_with(name)) {
      return i;
    }
  }
  return 0;
}

// True when \a word is "-" + short name or "--" + long name of a row.
bool isOptionWord(std::string_view word, std::span<const OptionSpec> options) {
  for (const OptionSpec& option : options) {
    if (!option.shortName.empty() && word.size() == option.shortName.size() + 1 &&
        word.starts_with('-') && word.ends_with(option.shortName)) {
      return true;
    }
    if (word.size() == option.longName.size() + 2 && word.starts_with("--") &&
        word.ends_with(option.longName)) {
      return true;
    }
  }
  return false;
}

}  // namespace

void CommandLine::parse(const std::vector<std::string>& args, std::span<const OptionSpec> options) {
  args_ = args;
  recognised_.clear();
  unknown_.clear();
  std::vector<bool> consumed(args_.size(), false);
  std::size_t lastUsed = 0;  // index of the last word any recognised option consumed
  for (const OptionSpec& option : options) {
    std::size_t index = findWord(args_, "-", option.shortName);
    if (index == 0) index = findWord(args_, "--", option.longName);
    if (index == 0) continue;

    std::size_t count = 0;
    if (option.argCount < 0) {
      while (index + 1 + count < args_.size() && !args_[index + 1 + count].starts_with('-')) {
        ++count;
      }
    } else {
      count = static_cast<std::size_t>(option.argCount);
      if (count > args_.size() - 1 - index) continue;  // arguments run past the end: absent
    }
    recognised_.push_back({option.id, index, count});
    lastUsed = std::max(lastUsed, index + count);
    for (std::size_t k = index; k <= index + count; ++k) consumed[k] = true;
  }
  for (std::size_t i = 1; i < args_.size(); ++i) {
    const std::string& w = args_[i];
    if (!consumed[i] && w.size() > 1 && w.front() == '-' && !isOptionWord(w, options)) {
      unknown_.push_back(i);
    }
  }
  const std::size_t first = lastUsed + 1;
  if (first < args_.size()) recognised_.push_back({kPositional, first, args_.size() - first});
}

const CommandLine::Recognised* CommandLine::find(int id) const {
  const auto it = std::find_if(recognised_.begin(), recognised_.end(),
                               [id](const Recognised& r) { return r.id == id; });
  return it == recognised_.end() ? nullptr : &*it;
}

const std::string* CommandLine::word(int id, std::size_t k) const {
  const Recognised* r = find(id);
  if (r == nullptr || k >= r->count) return nullptr;
  // Option arguments follow the option word; positional words start at index.
  const std::size_t i = id == kPositional ? r->index + k : r->index + 1 + k;
  return i < args_.size() ? &args_[i] : nullptr;
}

bool CommandLine::has(int id) const { return find(id) != nullptr; }

std::size_t CommandLine::argCount(int id) const {
  const Recognised* r = find(id);
  return r == nullptr ? 0 : r->count;
}

std::optional<std::int32_t> CommandLine::intArg(int id, std::size_t k) const {
  const std::string* w = word(id, k);
  if (w == nullptr) return std::nullopt;
  return parseIntLenient(*w);
}

std::optional<double> CommandLine::doubleArg(int id, std::size_t k) const {
  const std::string* w = word(id, k);
  if (w == nullptr) return std::nullopt;
  return parseDoubleLenient(*w);
}

std::optional<std::string> CommandLine::stringArg(int id, std::size_t k) const {
  const std::string* w = word(id, k);
  if (w == nullptr || w->empty()) return std::nullopt;
  return *w;
}

std::optional<std::string> CommandLine::positional(std::size_t k) const {
  const std::string* w = word(kPositional, k);
  if (w == nullptr) return std::nullopt;
  return *w;
}

std::optional<std::size_t> CommandLine::indexOf(int id) const {
  const Recognised* r = find(id);
  if (r == nullptr) return std::nullopt;
  return r->index;
}

}  // namespace suite::text
