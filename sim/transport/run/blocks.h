// The blocks of a run: a run of N events is the sequence of blocks 0, 1, ...
// of BLOCK_EVENTS events each (the last one shorter), each drawing its
// random numbers from streams of its own (ranlux/blockstreams.h), so that
// what a block gives depends only on the seed and the block.
//
// BlockSet: a set of blocks as sorted, disjoint, non-adjacent ranges
// ("0-9,12,15-19" as text), for the blocks a run, a file, a log or a
// checkpoint holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarn {

constexpr std::int64_t BLOCK_EVENTS = 100000;

// Number of blocks of a run of `events` (at least 1 event).
std::int64_t blockCount(std::int64_t events);

// Events of block b of a run of `events`: 1-based event numbers of the run.
struct EventSpan {
  std::int64_t first = 1, last = 0;
  std::int64_t count() const { return last - first + 1; }
};
EventSpan eventsOfBlock(std::int64_t events, std::int64_t block);

struct BlockRange {
  std::int64_t first = 0, last = -1;  // inclusive
  std::int64_t count() const { return last - first + 1; }
  bool operator==(const BlockRange&) const = default;
};

class BlockSet {
 public:
  BlockSet() = default;
  static BlockSet range(std::int64_t first, std::int64_t last);

  void add(std::int64_t block);
  void add(const BlockRange& range);
  void add(const BlockSet& other);
  bool contains(std::int64_t block) const;
  bool empty() const { return ranges_.empty(); }
  std::int64_t count() const;                // blocks
  std::int64_t events(std::int64_t runEvents) const;  // events of the run in these blocks
  const std::vector<BlockRange>& ranges() const { return ranges_; }

  BlockSet intersection(const BlockSet& other) const;
  BlockSet minus(const BlockSet& other) const;
  // The blocks in order (for a set small enough to list).
  std::vector<std::int64_t> list() const;

  // "0-9,12,15-19"; "none" for an empty set.
  std::string text() const;
  // The same back; false for anything else (ranges out of order or
  // overlapping included).
  static bool parse(const std::string& text, BlockSet& out);

  bool operator==(const BlockSet&) const = default;

 private:
  std::vector<BlockRange> ranges_;
};

}  // namespace tarn
