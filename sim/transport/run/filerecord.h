// The run record a histogram file carries: which run and which blocks it
// holds, and what a merge of such files needs to give the bytes of the run
// made in one go. Stored as one more 1-D histogram, RUN_RECORD_ID, whose
// title says it in words and whose bins hold the record's text, one byte
// per bin (any HBOOK reader shows it; `hbook dump` gives the codes):
//
//   tarn run record 1
//   seed=7 events=2000000 sampler=auto blocks=0-9 beamline=e8e4cd987dc18af3 lam.hbook=sha256:... ...
//   beamline cells.temperature 1.6 K   a value that differs from the shipped beamline
//   copy 302 9 0        the working copies: id, block that made it, order
//   copy 402 9 1        (the later one made later)
//   exact 3001 57 16777217   a channel whose sum single precision cannot hold
//   entries 4017 3000000000  entries beyond the file's 32-bit word
//
// A file of independent runs added together (hbook merge of runs with other
// seeds or inputs) of a beamline other than the shipped one carries a record
// of the beamline alone, with no seed, events or blocks:
//
//   tarn run record 1
//   runs=independent beamline=e8e4cd987dc18af3
//   beamline cells.temperature 1.6 K
//
// The file of a complete run of 100000 events of the shipped beamline (the
// run without options, tarn --seed S) carries none, and stays as it always
// was; a file without a record is therefore of the shipped beamline.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hbook/objects/histogram.h"
#include "transport/run/beamlinerecord.h"
#include "transport/run/runidentity.h"
#include "transport/run/blocks.h"

namespace tarn {

constexpr std::int32_t RUN_RECORD_ID = 9999;
constexpr const char* RUN_RECORD_TITLE = "tarn run record";

struct CopyTag {
  std::int32_t id = 0;
  std::int64_t block = 0;
  std::int32_t order = 0;
};
struct ExactChannel {
  std::int32_t id = 0;
  std::int32_t channel = 0;  // 0..nx+1
  double value = 0.0;
};

struct FileRecord {
  RunIdentity run;  // blocks: the blocks the file holds
  // Independent runs added together: `run` holds only runs=independent and
  // the beamline's digest (no seed, events or blocks), and no copies.
  bool independentRuns = false;
  BeamlineValues beamline;  // the values that differ from the shipped beamline
  std::vector<CopyTag> copies;
  std::vector<ExactChannel> exact;
  std::vector<std::pair<std::int32_t, std::int64_t>> entries;

  std::string text() const;
  static FileRecord parse(const std::string& text);  // throws std::runtime_error
};

// The record of independent runs of a beamline added together.
FileRecord independentRunsRecord(const std::string& beamlineDigest, const BeamlineValues& values);

// Does the file of these blocks of a run of these events need a record? All
// but a complete run of 100000 events of the shipped beamline do.
bool fileNeedsRecord(std::int64_t events, const BlockSet& blocks, bool shippedBeamline);

hbook::Histogram recordHistogram(const FileRecord& record);
// The record among a file's histograms, if there is one; throws
// std::runtime_error when it is damaged.
std::optional<FileRecord> findRecord(const std::vector<hbook::Histogram>& histograms);
bool isRecordHistogram(const hbook::Histogram& h);

}  // namespace tarn
