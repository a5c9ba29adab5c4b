// What the block scheme costs beside the events (runsums.h, checkpoint.h,
// ranlux/blockstreams.h):
// - BM_CollectBlock: moving one block's result histograms (44 histograms,
//   9088 channels) out of the histogram memory into the run's sums;
// - BM_ReduceBlock: one block's sums through the bytes a worker or a rank
//   sends (73 KB) and added to the run's: what the run or rank 0 does per
//   block, or per rank at a meeting;
// - BM_WriteCheckpoint: one checkpoint of a run's sums written, flushed to
//   disk and renamed into place, in the working directory (bytes: its size);
// - BM_StartBlockStream: the random streams of one block started.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "hbook/hbook.h"
#include "hbook/memory/store.h"
#include "ranlux/blockstreams.h"
#include "transport/event/catalogue.h"
#include "transport/run/checkpoint.h"
#include "transport/run/runsums.h"

namespace {

// A block's worth of fills in every result histogram.
void fillSome() {
  for (const tarn::Booking& b : tarn::RESULT_HISTOGRAMS)
    for (int i = 0; i < 50; ++i) HF1(b.id, b.lower + (b.upper - b.lower) * static_cast<float>(i) / 50.0f, 1.0f);
}

tarn::RunSums oneBlock(std::int64_t b) {
  fillSome();
  tarn::RunSums s;
  s.collectBlock(b, tarn::Counters{}, 0);
  return s;
}

void setUp() {
  hbook::memory().clear();
  tarn::bookResultHistograms();
}

void BM_CollectBlock(benchmark::State& state) {
  setUp();
  tarn::RunSums total;
  std::int64_t b = 0;
  for (auto _ : state) total.collectBlock(b++, tarn::Counters{}, 0);
}

void BM_ReduceBlock(benchmark::State& state) {
  setUp();
  tarn::RunSums total = oneBlock(0);
  const tarn::RunSums block = oneBlock(1);
  std::size_t bytes = 0;
  std::int64_t b = 2;
  for (auto _ : state) {
    tarn::ByteWriter out;
    block.encode(out);
    bytes = out.bytes().size();
    tarn::ByteReader in(out.bytes(), "bench");
    tarn::RunSums received = tarn::RunSums::decode(in);
    // Renamed to a block of its own, so that it can be added again.
    tarn::RunSums renamed;
    renamed.collectBlock(b++, tarn::Counters{}, 0);
    received = renamed;
    total.add(received);
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}

void BM_WriteCheckpoint(benchmark::State& state) {
  setUp();
  tarn::Checkpoint c;
  for (std::int64_t b = 0; b < 20; ++b) c.done.add(oneBlock(b));
  c.run = tarn::RunIdentity(7, 2000000, "auto", tarn::BlockSet::range(0, 19));
  const std::string path = "bench-" + std::to_string(getpid()) + ".checkpoint";
  for (auto _ : state) tarn::writeCheckpoint(path, c);
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
  std::filesystem::remove(path);
}

void BM_StartBlockStream(benchmark::State& state) {
  ranlux::Ranlux g;
  std::uint64_t b = 1;
  for (auto _ : state) {
    ranlux::startBlockStream(g, 7, b++, ranlux::BlockStream::Physics);
    benchmark::DoNotOptimize(g);
  }
}

}  // namespace

BENCHMARK(BM_CollectBlock)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReduceBlock)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WriteCheckpoint)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_StartBlockStream)->Unit(benchmark::kNanosecond);
