#include "transport/run/detected.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "hbook/memory/ntuplebuilder.h"
#include "hbook/memory/store.h"
#include "hbook/objects/directory.h"
#include "hbook/rz/writer.h"
#include "transport/constants.h"
#include "transport/event/catalogue.h"

namespace tarn {
namespace {

constexpr std::size_t RESULTS = std::size(RESULTS_2D);

// The ntuple's variables, one block; names as the reader lists them.
constexpr const char* NTUPLE_BLOCK = "DETECTED";
constexpr const char* NTUPLE_FORM =
    "event:R*8, block:I, lambda0:R, x:R, y:R, thx:R, thy:R, pathup:R, rotup:R, pathdn:R, rotdn:R, scat:I, side:I";

hbook::Histogram axis(std::int32_t n, float low, float high) {
  hbook::Histogram h;
  h.nx = n;
  h.xmin = low;
  h.xmax = high;
  return h;
}

double wavelength(double E) { return PLANCK_MEV_PS / std::sqrt(TWO_NEUTRON_MASS * E); }

std::size_t cellCount(const Booking2D& b) {
  return static_cast<std::size_t>(b.nx + 2) * static_cast<std::size_t>(b.ny + 2);
}

}  // namespace

const char* ntupleChoiceName(NtupleChoice choice) {
  switch (choice) {
    case NtupleChoice::Detected: return "detected";
    case NtupleChoice::Scattered: return "scattered";
    case NtupleChoice::None: break;
  }
  return "";
}

bool parseNtupleChoice(const std::string& text, NtupleChoice& choice) {
  if (text == "detected") choice = NtupleChoice::Detected;
  else if (text == "scattered") choice = NtupleChoice::Scattered;
  else return false;
  return true;
}

DetectedRecord::DetectedRecord(NtupleChoice choice, std::int64_t maxRows) : choice_(choice), maxRows_(maxRows) {}

void DetectedRecord::fill2d(std::size_t k, double x, double y) {
  // The channel of each axis as a 1-D histogram of that binning finds it.
  static const struct Axes {
    hbook::Histogram x[RESULTS], y[RESULTS];
    Axes() {
      for (std::size_t i = 0; i < RESULTS; ++i) {
        x[i] = axis(RESULTS_2D[i].nx, RESULTS_2D[i].xmin, RESULTS_2D[i].xmax);
        y[i] = axis(RESULTS_2D[i].ny, RESULTS_2D[i].ymin, RESULTS_2D[i].ymax);
      }
    }
  } axes;
  const std::int32_t ix = hbook::Store::channelOf(axes.x[k], static_cast<float>(x));
  const std::int32_t iy = hbook::Store::channelOf(axes.y[k], static_cast<float>(y));
  CellSums& c = cells_[k];
  c.cells[static_cast<std::size_t>(ix) + static_cast<std::size_t>(iy) * static_cast<std::size_t>(RESULTS_2D[k].nx + 2)] += 1.0;
  ++c.entries;
}

void DetectedRecord::take(const DetectedNeutron& n) {
  if (cells_.empty())
    for (const Booking2D& b : RESULTS_2D) cells_.push_back({std::vector<double>(cellCount(b), 0.0), 0});
  const NeutronState& det = n.detector;
  // The side as the 1-D results tell it: right or left all the way from
  // the upstream cell.
  const std::int32_t side = n.upIn.x > 0 && n.downOut.x > 0   ? SIDE_RIGHT
                            : n.upIn.x < 0 && n.downOut.x < 0 ? SIDE_LEFT
                                                              : SIDE_CROSSED;
  fill2d(0, wavelength(det.E), n.totalRotation);
  if (side == SIDE_RIGHT) fill2d(1, det.x, det.y);
  if (side == SIDE_LEFT) fill2d(2, det.x, det.y);

  const bool scattered = n.scatteredUp || n.scatteredDown;
  if (choice_ == NtupleChoice::None || (choice_ == NtupleChoice::Scattered && !scattered)) return;
  ++selected_;
  if (static_cast<std::int64_t>(rows_.size()) >= maxRows_) return;
  DetectedRow r;
  r.event = n.event;
  r.block = block_;
  r.lambda0 = static_cast<float>(wavelength(n.En));
  r.x = static_cast<float>(det.x);
  r.y = static_cast<float>(det.y);
  r.thx = static_cast<float>(det.thx);
  r.thy = static_cast<float>(det.thy);
  r.pathUp = static_cast<float>(n.up.unscatteredPath + n.up.scatteredPath);
  r.rotationUp = static_cast<float>(n.up.unscatteredRotation + n.up.scatteredRotation);
  r.pathDown = static_cast<float>(n.down.unscatteredPath + n.down.scatteredPath);
  r.rotationDown = static_cast<float>(n.down.unscatteredRotation + n.down.scatteredRotation);
  r.scattered = (n.scatteredUp ? SCATTERED_UP : 0) | (n.scatteredDown ? SCATTERED_DOWN : 0);
  r.side = side;
  rows_.push_back(r);
}

void DetectedRecord::checkAddable(const DetectedRecord& other) const {
  if (!other.active() && other.cells_.empty()) return;
  if (!active() && cells_.empty()) return;
  if (other.choice_ != choice_ || other.maxRows_ != maxRows_)
    throw std::runtime_error(std::string("other results record the ") + ntupleChoiceName(other.choice_) +
                             " neutrons (at most " + std::to_string(other.maxRows_) + " rows), these the " +
                             ntupleChoiceName(choice_) + " (at most " + std::to_string(maxRows_) + ")");
}

void DetectedRecord::add(const DetectedRecord& other) {
  checkAddable(other);
  if (!other.active() && other.cells_.empty()) return;
  if (!active() && cells_.empty()) {
    *this = other;
    return;
  }
  std::vector<DetectedRow> merged;
  merged.reserve(rows_.size() + other.rows_.size());
  std::merge(rows_.begin(), rows_.end(), other.rows_.begin(), other.rows_.end(), std::back_inserter(merged),
             [](const DetectedRow& a, const DetectedRow& b) { return a.event < b.event; });
  if (static_cast<std::int64_t>(merged.size()) > maxRows_) merged.resize(static_cast<std::size_t>(maxRows_));
  rows_ = std::move(merged);
  selected_ += other.selected_;
  if (cells_.empty()) {
    cells_ = other.cells_;
  } else if (!other.cells_.empty()) {
    for (std::size_t k = 0; k < cells_.size(); ++k) {
      for (std::size_t i = 0; i < cells_[k].cells.size(); ++i) cells_[k].cells[i] += other.cells_[k].cells[i];
      cells_[k].entries += other.cells_[k].entries;
    }
  }
}

void DetectedRecord::clear() {
  selected_ = 0;
  rows_.clear();
  cells_.clear();
}

hbook::ColumnNtuple DetectedRecord::ntuple() const {
  hbook::NtupleBuilder nt(hid::DETECTED_NTUPLE,
                          choice_ == NtupleChoice::Scattered ? SCATTERED_NTUPLE_TITLE : DETECTED_NTUPLE_TITLE);
  nt.block(NTUPLE_BLOCK, NTUPLE_FORM);
  const int event = nt.column("event"), block = nt.column("block"), lambda0 = nt.column("lambda0");
  const int x = nt.column("x"), y = nt.column("y"), thx = nt.column("thx"), thy = nt.column("thy");
  const int pathUp = nt.column("pathup"), rotUp = nt.column("rotup");
  const int pathDown = nt.column("pathdn"), rotDown = nt.column("rotdn");
  const int scat = nt.column("scat"), side = nt.column("side");
  for (const DetectedRow& r : rows_) {
    nt.set(event, static_cast<double>(r.event));
    nt.setInteger(block, r.block);
    nt.set(lambda0, r.lambda0);
    nt.set(x, r.x);
    nt.set(y, r.y);
    nt.set(thx, r.thx);
    nt.set(thy, r.thy);
    nt.set(pathUp, r.pathUp);
    nt.set(rotUp, r.rotationUp);
    nt.set(pathDown, r.pathDown);
    nt.set(rotDown, r.rotationDown);
    nt.setInteger(scat, r.scattered);
    nt.setInteger(side, r.side);
    nt.fill();
  }
  return nt.ntuple();
}

std::vector<hbook::Histogram2D> DetectedRecord::histograms2d() const {
  std::vector<hbook::Histogram2D> out;
  for (std::size_t k = 0; k < RESULTS; ++k) {
    const Booking2D& b = RESULTS_2D[k];
    hbook::Histogram2D h;
    h.id = b.id;
    h.title = b.title;
    h.nx = b.nx;
    h.xmin = b.xmin;
    h.xmax = b.xmax;
    h.ny = b.ny;
    h.ymin = b.ymin;
    h.ymax = b.ymax;
    h.cells.assign(cellCount(b), 0.0f);
    if (k < cells_.size()) {
      for (std::size_t i = 0; i < h.cells.size(); ++i) h.cells[i] = static_cast<float>(cells_[k].cells[i]);
      h.entries = static_cast<std::int32_t>(std::min<std::int64_t>(cells_[k].entries, INT32_MAX));
    }
    out.push_back(std::move(h));
  }
  return out;
}

void DetectedRecord::encode(ByteWriter& out) const {
  out.u64(static_cast<std::uint64_t>(choice_));
  out.i64(maxRows_);
  out.i64(selected_);
  out.u64(rows_.size());
  for (const DetectedRow& r : rows_) {
    out.i64(r.event);
    out.i64(r.block);
    for (float v : {r.lambda0, r.x, r.y, r.thx, r.thy, r.pathUp, r.rotationUp, r.pathDown, r.rotationDown}) out.f32(v);
    out.i64(r.scattered);
    out.i64(r.side);
  }
  out.u64(cells_.size());
  for (const CellSums& c : cells_) {
    out.i64(c.entries);
    out.f64s(c.cells);
  }
}

DetectedRecord DetectedRecord::decode(ByteReader& in) {
  DetectedRecord d;
  const std::uint64_t choice = in.u64();
  if (choice > static_cast<std::uint64_t>(NtupleChoice::Scattered)) in.fail("an unknown choice of ntuple");
  d.choice_ = static_cast<NtupleChoice>(choice);
  d.maxRows_ = in.i64();
  d.selected_ = in.i64();
  d.rows_.resize(in.count(13 * 8));
  for (DetectedRow& r : d.rows_) {
    r.event = in.i64();
    r.block = in.i64();
    for (float* v : {&r.lambda0, &r.x, &r.y, &r.thx, &r.thy, &r.pathUp, &r.rotationUp, &r.pathDown, &r.rotationDown})
      *v = in.f32();
    r.scattered = static_cast<std::int32_t>(in.i64());
    r.side = static_cast<std::int32_t>(in.i64());
  }
  d.cells_.resize(in.count(16));
  if (!d.cells_.empty() && d.cells_.size() != RESULTS) in.fail("2-D results that are not the run's");
  for (std::size_t k = 0; k < d.cells_.size(); ++k) {
    d.cells_[k].entries = in.i64();
    d.cells_[k].cells = in.f64s();
    if (d.cells_[k].cells.size() != cellCount(RESULTS_2D[k])) in.fail("2-D results of another binning");
  }
  if (d.maxRows_ < 0 || d.selected_ < static_cast<std::int64_t>(d.rows_.size())) in.fail("a damaged ntuple record");
  return d;
}

bool writeResultsWithDetected(const std::string& path, const DetectedRecord& detected, bool overwrite) {
  hbook::Directory top;
  top.path = "/";
  for (const hbook::Histogram* h : hbook::memory().all()) {
    top.objects.push_back({hbook::ObjectKind::Histogram1D, h->id, top.histograms.size()});
    top.histograms.push_back(*h);
  }
  for (hbook::Histogram2D& h : detected.histograms2d()) {
    top.objects.push_back({hbook::ObjectKind::Histogram2D, h.id, top.histograms2d.size()});
    top.histograms2d.push_back(std::move(h));
  }
  top.objects.push_back({hbook::ObjectKind::ColumnNtuple, hid::DETECTED_NTUPLE, 0});
  top.columnNtuples.push_back(detected.ntuple());
  hbook::WriteOptions options;
  options.overwrite = overwrite;
  return hbook::writeFile(path, std::vector<hbook::Directory>{std::move(top)}, options);
}

std::string ntupleLine(const DetectedRecord& detected) {
  return "Ntuple " + std::to_string(hid::DETECTED_NTUPLE) + ", the " + ntupleChoiceName(detected.choice()) +
         " neutrons: " + std::to_string(detected.rows().size()) + " rows (at most " +
         std::to_string(detected.maxRows()) + "), " + std::to_string(detected.leftOut()) + " left out";
}

}  // namespace tarn
