// Run control: the run stamp, the run-level state shared by start-up, the
// event loop and the end-of-run report, and the program's entry points.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "transport/event/celltally.h"
#include "transport/event/neutron.h"

namespace tarn {

// Events of a run.
constexpr std::int32_t Nevents = 100000;

// Helium temperature of both target cells, K.
constexpr double HELIUM_T = 2.1;

// A clock reading as DATE_AND_TIME gives it: date "CCYYMMDD", time
// "hhmmss.sss", zone "+hhmm" (each a 12-character field whose tail the clock
// leaves unassigned; the tail prints as blanks), and the eight values year,
// month, day, UTC offset (min), hour, minute, second, millisecond.
struct RunStamp {
  std::string date;
  std::string time;
  std::string zone;
  std::int32_t values[8] = {0, 0, 0, 0, 0, 0, 0, 0};
};

// The local clock now.
RunStamp DATE_AND_TIME();

// A stamp for a given local time (tests, tools).
RunStamp makeStamp(int year, int month, int day, int hour, int minute, int second, int millisecond);

// "tarn-MMDD-hhmm.o" (the 16 characters of the file name proper).
std::string logFileName(const RunStamp& stamp);

// minute * second * millisecond + second + millisecond.
std::int32_t seedFromStamp(const RunStamp& stamp);

// "h<ranNo>.hbook".
std::string histFileName(std::int32_t ranNo);

// The nine run counters, 64-bit: a long run passes 2^31 events.
struct Counters {
  std::int64_t nTar1In = 0;
  std::int64_t nScatTar1 = 0;
  std::int64_t nTar2In = 0;
  std::int64_t nScatTar2 = 0;
  std::int64_t nLowEnergy = 0;
  std::int64_t nTar1ToTar2 = 0;
  std::int64_t nDetIn = 0;
  std::int64_t nScatAtDet = 0;
  std::int64_t nDetEChanged = 0;
};

// The run log, created new; lines are written through the free-format helper.
class RunLog {
 public:
  // Creates the file; fails when it exists. Returns false with errno set.
  bool create(const std::string& name);
  void write(const std::string& line);  // one line, newline added, flushed
  void close();
  bool isOpen() const { return file_ != nullptr; }
  bool failed() const { return failed_; }  // a line or the close failed
  ~RunLog() { close(); }

 private:
  std::FILE* file_ = nullptr;
  bool failed_ = false;
};

// Makes the output directory if needed ("": none) and creates the run log
// at logPath; 0, or the exit status 2 with the reason on standard error.
int openRunLog(RunLog& log, const std::string& outputDir, const std::string& logPath);

// Closes the log at the end of a run and checks the console and the log:
// what failed is said on standard error, and a run that was otherwise fine
// (status 0) gets status 5. Returns the exit status.
int closeRun(RunLog& log, const std::string& logName, int status);

// What the event loop knows about a neutron: filled in stage by stage and,
// for a neutron that reached the detector plane, handed to an observer
// (tests and diagnostics) when one is set.
struct DetectedNeutron {
  std::int64_t event = 0;
  double En = 0.0;                // start energy, meV
  double qUp = 0.0, qDown = 0.0;  // momentum transfers drawn for the cells, 1/Å
  NeutronState upIn, upOut;       // upstream cell entrance and exit
  NeutronState downIn, downOut;   // downstream cell entrance and exit
  NeutronState detector;          // after the last guide (E as after the cells)
  bool scatteredUp = false, scatteredDown = false;
  CellTally up, down;
  double totalPath = 0.0, totalRotation = 0.0;  // cm, mrad
};

// One TARGET call of the event loop: the cell, the transfer, the neutron in
// and out, and the seven scattering outputs the call left.
struct TargetCall {
  std::int64_t event = 0;
  bool downstream = false;
  double q = 0.0;  // 1/Å
  NeutronState in, out;
  bool scattered = false;
  double sigma = 0.0, path = 0.0, thetaS = 0.0, sigmaSommers = 0.0, sigmaIntq = 0.0;
  double theta_p = 0.0, phi_p = 0.0;
};

// Run-level state of the event loop.
struct RunState {
  Counters counters;
  RunLog* log = nullptr;
  // The seven scattering outputs shared by both target calls, kept from
  // event to event.
  double sigma = 0.0, path = 0.0, thetaS = 0.0, sigmaSommers = 0.0, sigmaIntq = 0.0;
  double theta_p = 0.0, phi_p = 0.0;
  bool copy402Made = false;
  // Index of the first event this process runs (1; a later one on the
  // ranks of a parallel run after the first).
  std::int64_t firstEvent = 1;
  // Events ended because no allowed momentum transfer could be drawn.
  std::int64_t nNoTransfer = 0;
  std::function<void(const DetectedNeutron&)> observer;
  std::function<void(const TargetCall&)> targetObserver;
};

// Carry one neutron (event index `event`, 1-based) through the beamline.
void runEvent(std::int64_t event, RunState& state);

// Book the 44 result histograms, in catalogue order.
void bookResultHistograms();

// The ids of the result histograms, in booking order.
const std::vector<std::int32_t>& resultHistogramIds();

class RankGroup;  // ranks.h

// Where the histogram sampler HRNDM1 takes its uniform numbers (sampler.h):
// chosen from the run's shape, or as asked on the command line.
enum class SamplerChoice { Automatic, Rndm, Ranlux };

// What a harness or the command line may change about a run. The defaults
// are the run without arguments.
struct RunOptions {
  std::int64_t nEvents = Nevents;
  std::function<RunStamp()> clock = DATE_AND_TIME;
  std::function<void(const DetectedNeutron&)> observer;
  std::function<void(const TargetCall&)> targetObserver;
  // Set from the command line (options.h). A run with any of them, or with
  // several ranks, reports the extra lines described in report.h.
  bool extendedReport = false;
  std::int64_t seed = -1;  // --seed: ranNo instead of the clock's (-1: the clock's)
  std::string inputDir;    // lam.hbook, gradx.hbook, sq.hbook ("": the working directory)
  std::string outputDir;   // the run log and the histogram file ("": the working directory)
  SamplerChoice sampler = SamplerChoice::Automatic;
  RankGroup* ranks = nullptr;  // null: one process
};

// The end-of-run summary and output (report.cpp); returns the exit status.
struct ReportSetup {
  std::int64_t nEvents = Nevents;
  std::int32_t ranNo = 0;
  std::string outputDir;        // where the histogram file goes ("": the working directory)
  bool extendedReport = false;  // the exact counts line in the log
};
int endOfRun(RunState& state, const ReportSetup& setup, const std::function<RunStamp()>& clock);

// The whole program from a fresh start (histogram memory and generators
// reset); returns the exit status.
int runTarn(const RunOptions& options);

// The main program: a run of Nevents on the real clock.
int MAIN_RU();

}  // namespace tarn
