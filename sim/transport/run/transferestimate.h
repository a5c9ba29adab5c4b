// Before the first event: can the momentum transfers be drawn at a
// reasonable cost?
//
// Each event draws the upstream cell's transfer q from S(q) up to 2k and
// retries until the dispersion leaves the neutron a positive energy and the
// triangle of k, k' and q closes, giving up after 10^6 rejected draws. An
// S(q) whose content lies only where the dispersion cannot reach (non-zero
// only at large q, say) makes every event in a band of wavelengths spend
// those 10^6 draws: a run of many minutes instead of a fraction of a second. The estimate below says how many
// draws an event needs on average, from the spectrum, S(q) and the
// dispersion, without drawing anything.
#pragma once

#include <string>
#include <vector>

#include "hbook/objects/histogram.h"

namespace tarn {

struct TransferEstimate {
  // Draws of q per event in the upstream cell, averaged over the spectrum
  // (events below the shortest wavelength followed and events whose S(q)
  // copy is empty cost none; each event at most 10^6).
  double drawsPerEvent = 0.0;
  // Share of the events for which S(q) has content below 2k but no allowed
  // transfer at all, and their wavelength range (Å).
  double impossibleShare = 0.0;
  double impossibleFrom = 0.0, impossibleTo = 0.0;
};

// The spectrum (histogram 100) and S(q) (301, 90 bins of 0.04 1/Å from 0)
// as loaded, finite and non-negative. Prints nothing.
TransferEstimate estimateTransfers(const hbook::Histogram& spectrum, const hbook::Histogram& sq,
                                   float shortestWavelength);

// The lines that refuse the run when the estimate exceeds
// MAX_DRAWS_PER_EVENT; empty when the run may start.
std::vector<std::string> refuseCostlyTransfers(const TransferEstimate& estimate);

// The criterion. The shipped inputs need about 3 draws per event; the
// downstream cell draws again for the events that reach it, so D draws per
// event in the upstream cell add at most 2 D draws. At the limit of 50 a run
// takes a few times as long as on the shipped inputs (bench/README.md gives
// the measured cost of a draw and of an event); beyond it the transfers are
// nearly impossible (one draw in 50 accepted, or one event in 20,000 finding
// none at all and spending 10^6 draws), and the run is refused before the
// first event.
constexpr double MAX_DRAWS_PER_EVENT = 50.0;

}  // namespace tarn
