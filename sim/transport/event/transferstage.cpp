// The momentum transfer for a target cell, drawn from its copy of S(q).
#include <cstdint>

#include "hbook/hbook.h"
#include "hbook/memory/store.h"
#include "transport/event/catalogue.h"
#include "transport/event/kinematics.h"
#include "transport/event/stages.h"
#include "transport/helium/wq.h"

namespace tarn {
namespace {

// The downstream transfer when the copy holds at most two bins, 1/Å.
constexpr double Q_FALLBACK = 0.4;

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
  const std::int32_t copyId = downstream ? hid::SQ_COPY_DOWN : hid::SQ_COPY_UP;
  const double k = wavenumber(E);
  const std::int32_t last = lastTransferBin(k);

  const bool fallback = downstream && !(static_cast<double>(static_cast<float>(last)) > 0.08);
  // The first event of a process has no earlier copy to delete; a later one
  // deletes it and copies again, which the store does in the copy's storage
  // (Store::recopyRange, the same memory as HDELET and HCOPYR).
  //
  // When the loop below will draw from the copy (a positive energy, no
  // fallback), recopyIntegrated makes the copy already integrated as the
  // first HRNDM1 would integrate it, where it can: the same memory and the
  // same draws. It does so only for a copy whose total is non-zero and
  // finite, so one with content: copyHasContent would say so.
  const bool recopy = downstream ? run.copy402Made : event > run.firstEvent;
  const bool integrated = recopy && E > 0.0 && !fallback && hbook::memory().recopyIntegrated(hid::SQ, copyId, 0, last);
  if (!integrated) {
    if (recopy)
      hbook::memory().recopyRange(hid::SQ, copyId, 0, last);
    else
      HCOPYR(hid::SQ, copyId, " ", 0, last, 0, 0, " ");
  }
  if (downstream) run.copy402Made = true;

  // A non-positive energy admits no transfer, and a copy with nothing in its
  // range (or the fixed fallback value, which never changes) cannot produce
  // a different draw: give up at once instead of looping.
  bool hopeless = !(E > 0.0) || (!fallback && !integrated && !copyHasContent(copyId));
  std::int32_t rejected = 0;
  while (!hopeless) {
    q = fallback ? Q_FALLBACK : static_cast<double>(HRNDM1(copyId));
    double wp = 0.0;
    WQ(q, wp, E, k);
    if (transferAllowed(q, wp, E, k)) return true;
    if (fallback || ++rejected >= MAX_REJECTED_DRAWS) hopeless = true;
  }
  ++run.nNoTransfer;
  return false;
}

}  // namespace tarn
