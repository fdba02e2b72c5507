// Work spread over threads with results handed on strictly in order: the
// -j and --shard options of the programs and the runner behind them.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

namespace suite::text {

/// The value of -j: a whole number of 0 or more, digits only ("0" means every
/// core); nullopt for anything else ("x", "-1", "2.5", "").
std::optional<unsigned> parseJobCount(std::string_view text);

/// Most threads a run starts, whatever it is asked for.
inline constexpr unsigned kMaxJobs = 256;

/// Threads for \a requested jobs: the number itself, or for 0 the cores of
/// the machine (at least 1); never more than kMaxJobs.
unsigned resolveJobCount(unsigned requested);

/// The K-th (from 1) of N contiguous slices of a sequence.
struct Shard {
  std::size_t index = 1;
  std::size_t count = 1;

  bool first() const { return index == 1; }
  bool whole() const { return count == 1; }
};

/// The value of --shard: "K/N" with whole numbers 1 <= K <= N; nullopt else.
std::optional<Shard> parseShard(std::string_view text);

/// Half-open range [begin, end) of positions in a sequence.
struct Slice {
  std::size_t begin = 0;
  std::size_t end = 0;
  std::size_t size() const { return end - begin; }
};

/// The part of a sequence of \a total items that \a shard takes: the slices
/// of the N shards follow each other without gap or overlap, and their
/// sizes differ by at most one (the earlier slices take the extra items).
Slice shardSlice(std::size_t total, Shard shard);

/// Runs work over the positions of a slice in chunks on several threads and
/// hands the results to the calling thread in position order.
///
/// work(worker, first, last, results) computes the positions [first, last)
/// into results[0 .. last - first) (already sized); \a worker (below the job
/// count) tells which thread runs it, so that each can keep its own scratch
/// state. emit(position, result) runs on the calling thread, position after
/// position; returning false stops the run (later chunks are dropped).
/// idle() runs on the calling thread whenever it has handed on every
/// finished result and is about to wait for more (a place to flush output).
/// With one job everything runs on the calling thread, chunk after chunk.
/// At most a few chunks per thread are held at once. When the system grants
/// fewer threads than asked for, the run goes on with those it got (on the
/// calling thread alone when it gets none). An exception in work ends the
/// run and is rethrown here. Returns false when emit stopped it.
template <class Result>
class OrderedJobs {
 public:
  using Work = std::function<void(unsigned worker, std::size_t first, std::size_t last,
                                  std::vector<Result>& results)>;
  using Emit = std::function<bool(std::size_t position, Result& result)>;
  using Idle = std::function<void()>;

  static constexpr std::size_t kChunksPerJob = 4;

  static bool run(Slice slice, unsigned jobs, std::size_t chunkSize, const Work& work,
                  const Emit& emit, const Idle& idle = {}) {
    if (chunkSize == 0) chunkSize = 1;
    const std::size_t chunks = (slice.size() + chunkSize - 1) / chunkSize;
    if (jobs <= 1 || chunks <= 1) return runHere(slice, chunkSize, work, emit, idle);
    // A thread without a chunk to compute would only wait.
    OrderedJobs state(slice, static_cast<unsigned>(std::min<std::size_t>(jobs, chunks)), chunkSize,
                      chunks, work);
    if (state.threads_.empty()) return runHere(slice, chunkSize, work, emit, idle);
    return state.emitAll(emit, idle);
  }

 private:
  static bool runHere(Slice slice, std::size_t chunkSize, const Work& work, const Emit& emit,
                      const Idle& idle) {
    std::vector<Result> results;
    for (std::size_t first = slice.begin; first < slice.end; first += chunkSize) {
      const std::size_t last = std::min(slice.end, first + chunkSize);
      if (first != slice.begin && idle) idle();
      results.resize(last - first);
      work(0, first, last, results);
      for (std::size_t p = first; p < last; ++p) {
        if (!emit(p, results[p - first])) return false;
      }
    }
    return true;
  }

  struct Slot {
    std::vector<Result> results;
    bool ready = false;
  };

  OrderedJobs(Slice slice, unsigned jobs, std::size_t chunkSize, std::size_t chunks,
              const Work& work)
      : slice_(slice), chunkSize_(chunkSize), chunks_(chunks), work_(work),
        slots_(std::min<std::size_t>(chunks, std::size_t{jobs} * kChunksPerJob)) {
    threads_.reserve(jobs);
    try {
      for (unsigned w = 0; w < jobs; ++w) threads_.emplace_back([this, w] { workLoop(w); });
    } catch (const std::system_error&) {
      // Out of threads: the workers started so far do the work.
    }
  }

  ~OrderedJobs() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    space_.notify_all();
    for (std::thread& t : threads_) t.join();
  }

  OrderedJobs(const OrderedJobs&) = delete;
  OrderedJobs& operator=(const OrderedJobs&) = delete;

  void workLoop(unsigned worker) {
    for (;;) {
      std::size_t chunk = 0;
      {
        std::unique_lock lock(mutex_);
        // A chunk may start once the one its slot held has been handed on.
        space_.wait(lock, [this] {
          return stop_ || next_ >= chunks_ || next_ < emitted_ + slots_.size();
        });
        if (stop_ || next_ >= chunks_) return;
        chunk = next_++;
      }
      Slot& slot = slots_[chunk % slots_.size()];
      const std::size_t first = slice_.begin + chunk * chunkSize_;
      const std::size_t last = std::min(slice_.end, first + chunkSize_);
      try {
        slot.results.resize(last - first);
        work_(worker, first, last, slot.results);
      } catch (...) {
        std::lock_guard lock(mutex_);
        if (!failure_) failure_ = std::current_exception();
        stop_ = true;
        ready_.notify_all();
        space_.notify_all();
        return;
      }
      std::lock_guard lock(mutex_);
      slot.ready = true;
      if (chunk == emitted_) ready_.notify_all();
    }
  }

  bool emitAll(const Emit& emit, const Idle& idle) {
    for (std::size_t chunk = 0; chunk < chunks_; ++chunk) {
      Slot& slot = slots_[chunk % slots_.size()];
      {
        std::unique_lock lock(mutex_);
        if (!slot.ready && !failure_ && idle) {
          lock.unlock();
          idle();
          lock.lock();
        }
        ready_.wait(lock, [&] { return slot.ready || failure_ != nullptr; });
        if (failure_) std::rethrow_exception(failure_);
        slot.ready = false;
      }
      const std::size_t first = slice_.begin + chunk * chunkSize_;
      for (std::size_t k = 0; k < slot.results.size(); ++k) {
        if (!emit(first + k, slot.results[k])) return false;
      }
      {
        std::lock_guard lock(mutex_);
        emitted_ = chunk + 1;
      }
      space_.notify_all();
    }
    return true;
  }

  Slice slice_;
  std::size_t chunkSize_;
  std::size_t chunks_;
  const Work& work_;
  std::vector<Slot> slots_;
  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable space_;  ///< a slot came free, or the run stops
  std::condition_variable ready_;  ///< a chunk is finished, or a worker failed
  std::size_t next_ = 0;           ///< the next chunk to start
  std::size_t emitted_ = 0;        ///< chunks handed on so far
  bool stop_ = false;
  std::exception_ptr failure_;
};

}  // namespace suite::text
