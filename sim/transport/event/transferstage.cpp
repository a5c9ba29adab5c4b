// The momentum transfer for a target cell, drawn from its copy of S(q).
#include <cmath>
#include <cstdint>

#include "hbook/hbook.h"
#include "hbook/memory/store.h"
#include "transport/constants.h"
#include "transport/event/stages.h"
#include "transport/helium/wq.h"

namespace tarn {
namespace {

// S(q) has 90 bins of 0.04 1/Å from 0.
constexpr double BINS_PER_INV_ANGSTROM = 25.0;
constexpr float Q_TABLE_END = 3.6f;
constexpr std::int32_t Q_TABLE_BINS = 90;
// The downstream transfer when the copy holds at most two bins, 1/Å.
constexpr double Q_FALLBACK = 0.4;
// Draws after which the retry gives up on an event.
constexpr std::int32_t MAX_REJECTED_DRAWS = 1000000;

// S(q) and the copy sampled for each cell.
constexpr std::int32_t SQ_ID = 301;
constexpr std::int32_t UPSTREAM_COPY_ID = 302;
constexpr std::int32_t DOWNSTREAM_COPY_ID = 402;

double wavenumber(double E) { return std::sqrt(E * TWO_NEUTRON_MASS) / HBAR_MEV_PS; }

// Does the copy hold anything to draw from in its bins 1..nx?
bool copyHasContent(std::int32_t copyId) {
  const hbook::Histogram* h = hbook::memory().find(copyId);
  if (!h) return false;
  for (std::int32_t bin = 1; bin <= h->nx; ++bin)
    if (h->channels[bin] != 0.0f) return true;
  return false;
}

}  // namespace

// S(q) is copied up to the largest transfer 2k and q drawn from the copy
// until the dispersion leaves the neutron a positive energy and the triangle
// of k, k' and q closes.
bool sampleTransfer(RunState& run, std::int64_t event, double E, bool downstream, double& q) {
  const std::int32_t copyId = downstream ? DOWNSTREAM_COPY_ID : UPSTREAM_COPY_ID;
  const double k = wavenumber(E);
  const double twoK = 2 * k;
  std::int32_t last = Q_TABLE_BINS;
  if (twoK <= static_cast<double>(Q_TABLE_END)) last = static_cast<std::int32_t>(twoK * BINS_PER_INV_ANGSTROM);

  // The first event of a process has no earlier copy to delete.
  if (downstream ? run.copy402Made : event > run.firstEvent) HDELET(copyId);
  HCOPYR(SQ_ID, copyId, " ", 0, last, 0, 0, " ");
  bool fallback = false;
  if (downstream) {
    run.copy402Made = true;
    fallback = !(static_cast<double>(static_cast<float>(last)) > 0.08);
  }

  // A non-positive energy admits no transfer, and a copy with nothing in its
  // range (or the fixed fallback value, which never changes) cannot produce
  // a different draw: give up at once instead of looping.
  bool hopeless = !(E > 0.0) || (!fallback && !copyHasContent(copyId));
  std::int32_t rejected = 0;
  while (!hopeless) {
    q = fallback ? Q_FALLBACK : static_cast<double>(HRNDM1(copyId));
    double wp = 0.0;
    WQ(q, wp, E, k);
    const double ep = E - wp * HBAR_MEV_PS;
    if (ep > 0) {
      const double kp = std::sqrt(TWO_NEUTRON_MASS * ep) / HBAR_MEV_PS;
      const double cs = ((k * k + kp * kp) - q * q) / ((k * 2) * kp);
      if (!(std::fabs(cs) > 1)) return true;
    }
    if (fallback || ++rejected >= MAX_REJECTED_DRAWS) hopeless = true;
  }
  ++run.nNoTransfer;
  return false;
}

}  // namespace tarn
