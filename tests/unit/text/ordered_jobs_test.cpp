// The -j and --shard values, the slices of the shards, and the runner that
// spreads work over threads but hands results on in order.
#include "text/ordered_jobs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace suite::text {
namespace {

TEST(JobCount, AcceptsWholeNumbersOnly) {
  const struct {
    std::string_view text;
    std::optional<unsigned> expected;
  } cases[] = {
      {"0", 0u},         {"1", 1u},          {"16", 16u},        {"007", 7u},
      {"", std::nullopt}, {"x", std::nullopt}, {"-1", std::nullopt}, {"+2", std::nullopt},
      {" 2", std::nullopt}, {"2 ", std::nullopt}, {"2.5", std::nullopt}, {"3x", std::nullopt},
      {"99999999999999999999", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text));
    EXPECT_EQ(parseJobCount(c.text), c.expected);
  }
}

TEST(JobCount, ZeroMeansEveryCoreAndManyAreCapped) {
  EXPECT_EQ(resolveJobCount(3), 3u);
  EXPECT_EQ(resolveJobCount(100000), kMaxJobs);
  const unsigned cores = std::thread::hardware_concurrency();
  EXPECT_EQ(resolveJobCount(0), std::clamp(cores, 1u, kMaxJobs));
}

TEST(ShardOption, ReadsKOfN) {
  const struct {
    std::string_view text;
    bool valid;
    std::size_t k, n;
  } cases[] = {
      {"1/1", true, 1, 1},  {"3/3", true, 3, 3},  {"10/12", true, 10, 12}, {"0/3", false, 0, 0},
      {"4/3", false, 0, 0}, {"1/0", false, 0, 0}, {"1/", false, 0, 0},     {"1/2/3", false, 0, 0},
      {"2", false, 0, 0},   {"-1/2", false, 0, 0}, {"1 /2", false, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text));
    const std::optional<Shard> shard = parseShard(c.text);
    ASSERT_EQ(shard.has_value(), c.valid);
    if (shard) {
      EXPECT_EQ(shard->index, c.k);
      EXPECT_EQ(shard->count, c.n);
    }
  }
}

TEST(ShardSlice, SlicesFollowEachOtherAndDifferByOneAtMost) {
  for (std::size_t total : {0u, 1u, 2u, 5u, 7u, 10u, 100u, 101u}) {
    for (std::size_t n = 1; n <= 12; ++n) {
      SCOPED_TRACE(std::to_string(total) + " items, " + std::to_string(n) + " shards");
      std::size_t expectedBegin = 0;
      std::size_t smallest = total;
      std::size_t largest = 0;
      for (std::size_t k = 1; k <= n; ++k) {
        const Slice slice = shardSlice(total, {k, n});
        EXPECT_EQ(slice.begin, expectedBegin);
        ASSERT_LE(slice.begin, slice.end);
        expectedBegin = slice.end;
        smallest = std::min(smallest, slice.size());
        largest = std::max(largest, slice.size());
      }
      EXPECT_EQ(expectedBegin, total);
      EXPECT_LE(largest - smallest, 1u);
    }
  }
  // The earlier slices take the extra items.
  EXPECT_EQ(shardSlice(10, {1, 3}).size(), 4u);
  EXPECT_EQ(shardSlice(10, {3, 3}).size(), 3u);
}

// Work whose chunks take uneven time, so that threads finish out of order.
void unevenWork(std::size_t first, std::vector<long>& results) {
  for (std::size_t k = 0; k < results.size(); ++k) {
    const std::size_t p = first + k;
    if (p % 7 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
    results[k] = static_cast<long>(p * p);
  }
}

TEST(OrderedJobs, EmitsEveryPositionInOrderForAnyJobCountAndChunkSize) {
  for (unsigned jobs : {1u, 2u, 3u, 8u}) {
    for (std::size_t chunk : {1u, 3u, 16u, 500u}) {
      SCOPED_TRACE(std::to_string(jobs) + " jobs, chunks of " + std::to_string(chunk));
      std::vector<std::size_t> emitted;
      std::atomic<bool> badWorker = false;
      const bool completed = OrderedJobs<long>::run(
          {5, 205}, jobs, chunk,
          [&](unsigned worker, std::size_t first, std::size_t last, std::vector<long>& results) {
            if (worker >= jobs || results.size() != last - first) badWorker = true;
            unevenWork(first, results);
          },
          [&](std::size_t p, long& value) {
            EXPECT_EQ(value, static_cast<long>(p * p));
            emitted.push_back(p);
            return true;
          });
      EXPECT_TRUE(completed);
      EXPECT_FALSE(badWorker);
      ASSERT_EQ(emitted.size(), 200u);
      for (std::size_t k = 0; k < emitted.size(); ++k) ASSERT_EQ(emitted[k], 5 + k);
    }
  }
}

TEST(OrderedJobs, StopsWhenEmitSaysSo) {
  for (unsigned jobs : {1u, 2u, 4u}) {
    SCOPED_TRACE(jobs);
    std::vector<std::size_t> emitted;
    const bool completed = OrderedJobs<long>::run(
        {0, 1000}, jobs, 4,
        [](unsigned, std::size_t first, std::size_t, std::vector<long>& results) {
          unevenWork(first, results);
        },
        [&](std::size_t p, long&) {
          emitted.push_back(p);
          return p < 41;
        });
    EXPECT_FALSE(completed);
    EXPECT_EQ(emitted.size(), 42u);
    EXPECT_EQ(emitted.back(), 41u);
  }
}

TEST(OrderedJobs, SeveralJobsRunSideBySide) {
  // The first chunk waits until another thread has started a chunk; on one
  // thread it would wait in vain.
  std::atomic<bool> otherStarted = false;
  bool sawOther = false;
  OrderedJobs<long>::run(
      {0, 40}, 2, 1,
      [&](unsigned, std::size_t first, std::size_t, std::vector<long>& results) {
        if (first == 0) {
          const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
          while (!otherStarted && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
          }
          sawOther = otherStarted;
        } else {
          otherStarted = true;
        }
        results[0] = 0;
      },
      [](std::size_t, long&) { return true; });
  EXPECT_TRUE(sawOther);
}

TEST(OrderedJobs, HoldsOnlyAFewChunksAheadOfTheOutput) {
  // While position 0 is not handed on, the workers may only run ahead by the
  // chunks they can hold.
  std::atomic<std::size_t> started = 0;
  std::size_t startedBeforeFirstEmit = 0;
  const unsigned jobs = 2;
  OrderedJobs<long>::run(
      {0, 1000}, jobs, 1,
      [&](unsigned, std::size_t first, std::size_t, std::vector<long>& results) {
        ++started;
        if (first == 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        results[0] = 0;
      },
      [&](std::size_t p, long&) {
        if (p == 0) {
          std::this_thread::sleep_for(std::chrono::milliseconds(50));
          startedBeforeFirstEmit = started;
        }
        return true;
      });
  EXPECT_GE(startedBeforeFirstEmit, 1u);
  EXPECT_LE(startedBeforeFirstEmit, jobs * OrderedJobs<long>::kChunksPerJob);
}

TEST(OrderedJobs, AFailureInTheWorkReachesTheCaller) {
  for (unsigned jobs : {1u, 3u}) {
    SCOPED_TRACE(jobs);
    std::size_t emitted = 0;
    EXPECT_THROW(OrderedJobs<long>::run(
                     {0, 200}, jobs, 2,
                     [](unsigned, std::size_t first, std::size_t, std::vector<long>& results) {
                       if (first == 60) throw std::runtime_error("no memory");
                       unevenWork(first, results);
                     },
                     [&](std::size_t, long&) {
                       ++emitted;
                       return true;
                     }),
                 std::runtime_error);
    EXPECT_LE(emitted, 60u);
  }
}

}  // namespace
}  // namespace suite::text
