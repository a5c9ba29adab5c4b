// The detected neutrons on request (tarn --ntuple detected|scattered): the
// rows of the ntuple DETECTED_NTUPLE and the 2-D results RESULTS_2D
// (event/catalogue.h), gathered block by block and added like the other
// sums (runsums.h).
//
// A row holds what the experiment asks of a neutron at the detector: the
// event, its block, the start wavelength, position and angles at the
// detector, path and spin rotation in each cell, which cell scattered it and
// the side. The rows kept are the first `maxRows` of the run in event order,
// whatever the split into blocks, workers or ranks: a block keeps at most
// `maxRows` of its own, and two sets added keep the first `maxRows` of both
// (a row among the run's first is among the first of any part holding it).
// The 2-D results count every detected neutron (contents are counts,
// added exactly in double precision, as the 1-D sums are).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hbook/objects/histogram2d.h"
#include "hbook/objects/ntuple.h"
#include "transport/event/runstate.h"
#include "transport/run/encoding.h"

namespace tarn {

enum class NtupleChoice { None, Detected, Scattered };

// --ntuple's default cap on the rows.
constexpr std::int64_t NTUPLE_MAX_ROWS = 1000000;
// The most an ntuple can hold: its count of rows is a 32-bit word.
constexpr std::int64_t MOST_NTUPLE_ROWS = 2147483647;

// "detected", "scattered" ("" for None), and back (false: not a choice).
const char* ntupleChoiceName(NtupleChoice choice);
bool parseNtupleChoice(const std::string& text, NtupleChoice& choice);

// Which cell scattered the neutron (`scattered`) and where it went (`side`).
enum ScatteringCells : std::int32_t { SCATTERED_NONE = 0, SCATTERED_UP = 1, SCATTERED_DOWN = 2, SCATTERED_BOTH = 3 };
enum Side : std::int32_t { SIDE_LEFT = -1, SIDE_CROSSED = 0, SIDE_RIGHT = 1 };

struct DetectedRow {
  std::int64_t event = 0;
  std::int64_t block = 0;
  // Single precision, as the columns store them: Å, cm, rad, cm, mrad.
  float lambda0 = 0.0f;
  float x = 0.0f, y = 0.0f, thx = 0.0f, thy = 0.0f;
  float pathUp = 0.0f, rotationUp = 0.0f, pathDown = 0.0f, rotationDown = 0.0f;
  std::int32_t scattered = SCATTERED_NONE;
  std::int32_t side = SIDE_CROSSED;
  bool operator==(const DetectedRow&) const = default;
};

// The cells of one 2-D result, 0..nx+1 by 0..ny+1 as Histogram2D holds them.
struct CellSums {
  std::vector<double> cells;
  std::int64_t entries = 0;
};

class DetectedRecord final : public DetectedSink {
 public:
  DetectedRecord() = default;  // records nothing
  DetectedRecord(NtupleChoice choice, std::int64_t maxRows);

  NtupleChoice choice() const { return choice_; }
  std::int64_t maxRows() const { return maxRows_; }
  bool active() const { return choice_ != NtupleChoice::None; }

  // The block whose neutrons `take` receives next.
  void startBlock(std::int64_t block) { block_ = block; }
  void take(const DetectedNeutron& neutron) override;

  // Adds the record of other blocks (the same choice and cap, or an empty
  // record; else std::runtime_error, before anything changes).
  void add(const DetectedRecord& other);
  // Throws what add(other) would throw, changing nothing.
  void checkAddable(const DetectedRecord& other) const;
  void clear();

  const std::vector<DetectedRow>& rows() const { return rows_; }
  std::int64_t selected() const { return selected_; }  // rows asked for, kept or not
  std::int64_t leftOut() const { return selected_ - static_cast<std::int64_t>(rows_.size()); }
  const std::vector<CellSums>& results2d() const { return cells_; }

  // The ntuple and the 2-D results as the file holds them.
  hbook::ColumnNtuple ntuple() const;
  std::vector<hbook::Histogram2D> histograms2d() const;

  void encode(ByteWriter& out) const;
  static DetectedRecord decode(ByteReader& in);

 private:
  void fill2d(std::size_t k, double x, double y);

  NtupleChoice choice_ = NtupleChoice::None;
  std::int64_t maxRows_ = 0;
  std::int64_t block_ = 0;
  std::int64_t selected_ = 0;
  std::vector<DetectedRow> rows_;  // event order
  std::vector<CellSums> cells_;    // RESULTS_2D order; empty when nothing was taken
};

// Writes the histogram memory's 1-D histograms (in booking order), then
// `detected`'s 2-D results and its ntuple, into the file `path`; false,
// writing nothing, when it exists and `overwrite` is not asked. Throws
// hbook::FileError and hbook::WriteStopped as the writer does.
bool writeResultsWithDetected(const std::string& path, const DetectedRecord& detected, bool overwrite);

// "Ntuple 3100, the detected neutrons: 1234 rows (at most 1000000), 0 left out"
std::string ntupleLine(const DetectedRecord& detected);

}  // namespace tarn
