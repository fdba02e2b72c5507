#include "text/ordered_jobs.h"

#include <charconv>
#include <limits>

namespace suite::text {
namespace {

// Digits only, the whole text, within the range of T.
template <class T>
std::optional<T> parseWhole(std::string_view text) {
  if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
  T value{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

std::optional<unsigned> parseJobCount(std::string_view text) { return parseWhole<unsigned>(text); }

unsigned resolveJobCount(unsigned requested) {
  const unsigned jobs = requested > 0 ? requested : std::thread::hardware_concurrency();
  return std::clamp(jobs, 1u, kMaxJobs);
}

std::optional<Shard> parseShard(std::string_view text) {
  const std::size_t slash = text.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  const std::optional<std::size_t> k = parseWhole<std::size_t>(text.substr(0, slash));
  const std::optional<std::size_t> n = parseWhole<std::size_t>(text.substr(slash + 1));
  if (!k || !n || *k < 1 || *k > *n) return std::nullopt;
  return Shard{*k, *n};
}

Slice shardSlice(std::size_t total, Shard shard) {
  // Every slice takes total / N items, the first total % N one more.
  const std::size_t base = total / shard.count;
  const std::size_t extra = total % shard.count;
  const std::size_t k = shard.index - 1;
  const std::size_t begin = k * base + std::min(k, extra);
  return {begin, begin + base + (k < extra ? 1 : 0)};
}

}  // namespace suite::text
