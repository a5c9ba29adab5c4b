// The event loop: one neutron from the start plane to the detector plane,
// as a list of stages (eventstages.h). Lengths in cm, energies in meV,
// angles in rad (degrees in the histograms that say so).
#include "transport/event/eventloop.h"

#include <cstdint>

#include "transport/event/stages.h"

namespace tarn {

void runEvent(std::int64_t event, RunState& run) {
  DetectedNeutron history;
  history.event = event;

  NeutronState start;
  if (!generateNeutron(run, event, start)) return;
  history.En = start.E;
  if (!sampleTransfer(run, event, history.En, false, history.qUp)) return;
  NeutronState incoil;
  if (!passInputGuides(run.beamline, start, incoil)) return;
  if (!passUpstreamCell(run, incoil, history)) return;
  if (!crossBetweenCells(run, history)) return;
  if (!sampleTransfer(run, event, history.upOut.E, true, history.qDown)) return;
  if (!passDownstreamCell(run, history)) return;
  if (!passOutputGuides(run.beamline, history)) return;
  tallyDetection(run, history);

  if (run.detected) run.detected->take(history);
  if (run.observer) run.observer(history);
}

}  // namespace tarn
