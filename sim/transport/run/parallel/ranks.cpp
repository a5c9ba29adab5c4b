#include "transport/run/parallel/ranks.h"

namespace tarn {

void broadcastText(RankGroup& ranks, std::string& text) {
  std::int64_t size = static_cast<std::int64_t>(text.size());
  ranks.broadcast(&size, 1);
  std::vector<std::int64_t> words(static_cast<std::size_t>((size + 7) / 8), 0);
  for (std::size_t i = 0; i < text.size(); ++i)
    words[i / 8] |= static_cast<std::int64_t>(static_cast<unsigned char>(text[i])) << (8 * (i % 8));
  if (!words.empty()) ranks.broadcast(words.data(), static_cast<int>(words.size()));
  text.assign(static_cast<std::size_t>(size), ' ');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>((words[i / 8] >> (8 * (i % 8))) & 0xFF);
}

std::int64_t roundsOf(const BlockSet& blocks, int ranks) { return (blocks.count() + ranks - 1) / ranks; }

std::int64_t blockOfRound(const BlockSet& blocks, int ranks, int rank, std::int64_t round) {
  std::int64_t index = round * ranks + rank;
  for (const BlockRange& r : blocks.ranges()) {
    if (index < r.count()) return r.first + index;
    index -= r.count();
  }
  return -1;
}

}  // namespace tarn
