// Whole runs with a described beamline: the shipped description, however it
// is given, is the run without arguments byte for byte; a changed value
// reaches the physics (checked against estimates made here, not by tarn);
// a refused description stops the run before anything is made.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <tuple>
#include <sstream>

#include "hbook/rz/date.h"
#include "support/runs.h"
#include "transport/description/keys.h"
#include "transport/run/commandline.h"
#include "transport/run/runfiles.h"

using namespace testsupport;

namespace {

// The regression run's clock reading: ranNo 763595.
const tarn::RunStamp START = tarn::makeStamp(2026, 11, 2, 14, 37, 41, 503);
const int RAN_NO = tarn::seedFromStamp(START);
const std::string SHIPPED_FILE = std::string(TARN_DATA_DIR) + "/beamline.toml";

struct Outcome {
  int parseStatus = -1;  // >= 0: the command line was refused with it
  std::string err;
  RunResult run;
  std::string histogramFile;  // its bytes
  hbook::ReadResult histograms;
  std::vector<tarn::DetectedNeutron> detected;
  std::vector<tarn::TargetCall> targetCalls;
};

// `tarn ARGS...` in a fresh directory with the shipped inputs, the clock
// fixed at START (start and end alike).
Outcome runTarn(const std::vector<std::string>& args, bool observe = false) {
  std::vector<const char*> argv{"tarn"};
  for (const std::string& a : args) argv.push_back(a.c_str());
  std::ostringstream out, err;
  tarn::CommandLine line = tarn::parseCommandLine(static_cast<int>(argv.size()), argv.data(), "tarn", out, err);
  Outcome o;
  o.err = err.str();
  ScratchDir dir("beamline");
  dir.copyShippedInputs();
  if (line.exitStatus >= 0) {
    o.parseStatus = line.exitStatus;
    return o;
  }
  line.run.clock = [] { return START; };
  // The files' date words come from the wall clock: fixed here, so that runs
  // on either side of a minute's turn give the same bytes.
  hbook::setFileDate({2026, 11, 2, 14, 37});
  if (observe) {
    line.run.observer = [&o](const tarn::DetectedNeutron& n) { o.detected.push_back(n); };
    line.run.targetObserver = [&o](const tarn::TargetCall& c) { o.targetCalls.push_back(c); };
  }
  o.run = runWithOptions(dir.path(), line.run, START);
  hbook::useClockDate();
  const fs::path file = dir.path() / tarn::histFileName(RAN_NO);
  if (fs::exists(file)) {
    o.histogramFile = readText(file);
    o.histograms = hbook::readFile(file.string());
  }
  return o;
}

const hbook::Histogram& histogram(const Outcome& o, int id) {
  for (const hbook::Histogram& h : o.histograms.histograms)
    if (h.id == id) return h;
  static const hbook::Histogram none;
  ADD_FAILURE() << "no histogram " << id;
  return none;
}

// Entries of a result histogram: the events that reached its stage.
double entries(const Outcome& o, int id) { return histogram(o, id).entries; }

}  // namespace

// The acceptance test of descriptions: the shipped one through the file, and
// through --set of every key to its own value (as the log shows values, with
// units), gives the console, log and histogram file of the run without
// arguments, byte for byte.
TEST(ShippedBeamline, ThroughTheFileOrEveryKeySetIsTheRunWithoutArguments) {
  const Outcome plain = runTarn({});
  ASSERT_EQ(plain.run.status, 0) << plain.run.console;
  ASSERT_FALSE(plain.histogramFile.empty());

  std::vector<std::string> everyKey{"--beamline", SHIPPED_FILE};
  for (const tarn::description::Key& k : tarn::description::keys())
    everyKey.push_back("--set=" + std::string(k.name) + "=" + tarn::description::shownValue(k, tarn::SHIPPED_BEAMLINE));
  const std::vector<std::vector<std::string>> ways = {
      {"--beamline", SHIPPED_FILE},
      everyKey,
      {"--set", "cells.length=416 mm", "--set", "guide1.critical_angle_per_angstrom=1 mrad/Å", "--set",
       "cells.temperature=2100 mK", "--set", "cells.upstream_helium=right"},
  };
  for (const auto& args : ways) {
    const Outcome o = runTarn(args);
    ASSERT_EQ(o.parseStatus, -1) << o.err;
    EXPECT_EQ(o.run.status, 0);
    EXPECT_EQ(o.run.console, plain.run.console) << args[1];
    EXPECT_EQ(o.run.log, plain.run.log) << args[1];
    EXPECT_TRUE(o.histogramFile == plain.histogramFile) << args[1];
  }
}

// A 30 cm cell: the path-length histograms are booked around 2 x 30 cm, and
// a neutron that did not scatter has travelled 30 cm along the beam in each
// cell, at its slopes: 30 sqrt(1 + tan^2 thx + tan^2 thy).
TEST(ChangedBeamline, ThirtyCentimetreCellsMoveThePathLengths) {
  const Outcome o = runTarn({"--set", "cells.length=30"}, true);
  ASSERT_EQ(o.run.status, 0) << o.err << o.run.console;
  EXPECT_NE(o.run.log.find("\n   cells.length = 30 cm   (shipped 41.6 cm)\n"), std::string::npos) << o.run.log;
  for (int id : {3006, 3008, 3010}) {
    const hbook::Histogram& h = histogram(o, id);
    EXPECT_EQ(h.xmin, static_cast<float>(60.0 - 0.05));
    EXPECT_EQ(h.xmax, static_cast<float>(60.0 + 0.05));
    EXPECT_EQ(h.channels[0], 0.0f) << id << ": no path is shorter than the two cells";
  }
  const hbook::Histogram& both = histogram(o, 3006);
  double inRange = 0.0;
  for (int c = 1; c <= both.nx; ++c) inRange += both.channels[c];
  EXPECT_GT(inRange, 0.99 * both.entries);
  ASSERT_GT(o.detected.size(), 5000u);
  int straight = 0;
  for (const tarn::DetectedNeutron& n : o.detected) {
    if (n.scatteredUp || n.scatteredDown) continue;
    ++straight;
    auto through = [](const tarn::NeutronState& s) {
      return 30.0 * std::sqrt(1 + std::tan(s.thx) * std::tan(s.thx) + std::tan(s.thy) * std::tan(s.thy));
    };
    EXPECT_NEAR(n.totalPath, through(n.upIn) + through(n.downIn), 1e-9) << n.event;
    EXPECT_NEAR(n.upOut.z - n.upIn.z, 30.0, 1e-12);
    EXPECT_NEAR(n.detector.z, 452.0 - 2 * 11.6, 1e-9);  // the detector plane moves with the cells
  }
  EXPECT_GT(straight, 5000);
}

// At 1.6 K the helium is less dense: the same neutron (same transfer and
// entrance, the same random number for its free path) gets a free path
// longer by the ratio of the density products nHe x rhoRel, worked out here
// from the density tables (single-precision entries, linear between them).
TEST(ChangedBeamline, AColderBathChangesTheDensities) {
  const Outcome warm = runTarn({}, true);
  const Outcome cold = runTarn({"--set", "cells.temperature=1.6"}, true);
  ASSERT_EQ(cold.run.status, 0) << cold.err << cold.run.console;
  auto between = [](double t, float t0, float t1, float v0, float v1) {
    return static_cast<double>(v0) + (static_cast<double>(v1) - v0) * (t - t0) / (static_cast<double>(t1) - t0);
  };
  // rho (g/cm^3) and rho / rho_max at 2.1 K (between the points 2.1 and 2.2)
  // and at 1.6 K (just below the point 1.6: between 1.5 and 1.6, both 0.1451).
  const double warmProduct = between(2.1, 2.1f, 2.2f, 0.1458f, 0.146f) * between(2.1, 2.1f, 2.2f, 0.9986301f, 1.0f);
  const double coldProduct =
      between(1.6, 1.5f, 1.6f, 0.1451f, 0.1451f) * between(1.6, 1.5f, 1.6f, 0.9938356f, 0.9938356f);
  // The two runs draw the same numbers until a neutron scatters in one and
  // not in the other; up to there, compare the calls of the same neutron
  // that took the same cross-section.
  int compared = 0;
  for (std::size_t i = 0; i < warm.targetCalls.size() && i < cold.targetCalls.size(); ++i) {
    const tarn::TargetCall &w = warm.targetCalls[i], &c = cold.targetCalls[i];
    if (w.event != c.event || w.q != c.q || w.in.x != c.in.x || w.in.thx != c.in.thx) break;
    if (w.sigma != c.sigma) continue;  // INTQ: its cross-section depends on T as well
    EXPECT_NEAR(c.path / w.path, warmProduct / coldProduct, 1e-9 * warmProduct / coldProduct) << w.event;
    ++compared;
  }
  EXPECT_GE(compared, 20);
  EXPECT_GT(warmProduct / coldProduct, 1.009);  // the 1 % the densities change
  // The figures of the log are those of the colder helium.
  EXPECT_NE(cold.run.log.find("cells.temperature = 1.6 K   (shipped 2.1 K)"), std::string::npos);
  EXPECT_NE(cold.run.log.substr(cold.run.log.find("End time")), warm.run.log.substr(warm.run.log.find("End time")));
}

// The share of the started neutrons that pass both input guides (histogram 3
// against histogram 1), from tarn and from an estimate made here: the walls
// unfolded (a reflected path is a straight line through mirror images of
// the guide), a neutron lost when its line crosses a wall at an angle above
// lambda x the critical angle, the start distribution drawn from the
// spectrum, the cone and the start area.
double estimatedTransmission(double crit1, double crit2, int samples) {
  const hbook::ReadResult lam = hbook::readFile(std::string(TARN_DATA_DIR) + "/lam.hbook");
  const hbook::Histogram* spectrum = nullptr;
  for (const hbook::Histogram& h : lam.histograms)
    if (h.id == 100) spectrum = &h;
  std::vector<double> cumulative{0.0};
  for (int b = 1; b <= spectrum->nx; ++b) cumulative.push_back(cumulative.back() + spectrum->channels[b]);
  std::mt19937_64 gen(20260501);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  const double width = spectrum->binWidth();
  // Does the line u0 + t z cross a wall (u = +-W, +-3W, ...) between z = a
  // and z = b?
  auto crosses = [](double u0, double t, double a, double b, double W) {
    const double ua = (u0 + t * a) / W, ub = (u0 + t * b) / W;  // in half-widths
    return std::floor((std::min(ua, ub) + 1) / 2) != std::floor((std::max(ua, ub) + 1) / 2);
  };
  int started = 0, passed = 0;
  while (started < samples) {
    const double pick = u(gen) * cumulative.back();
    const int bin = static_cast<int>(std::upper_bound(cumulative.begin(), cumulative.end(), pick) - cumulative.begin());
    const double lambda = spectrum->xmin + (bin - 1 + u(gen)) * width;
    if (lambda < 1.0) continue;
    ++started;
    const double th0 = std::acos(1 - u(gen) * (1 - std::cos(lambda * 0.003)));
    const double phi = 2 * std::numbers::pi * u(gen);
    const double tx = std::cos(phi) * std::tan(th0), ty = std::sin(phi) * std::tan(th0);
    const double x0 = -2.75 + 5.5 * u(gen), y0 = -2.25 + 4.5 * u(gen);
    bool lost = false;
    for (const auto& [t, pos, half] : {std::tuple{tx, x0, 3.05}, std::tuple{ty, y0, 2.55}}) {
      const double angle = std::atan(std::fabs(t));
      if (crosses(pos, t, 0.0, 116.0, half) && angle > lambda * crit1) lost = true;
      if (crosses(pos, t, 116.0, 205.0, half) && angle > lambda * crit2) lost = true;
    }
    if (!lost) ++passed;
  }
  return static_cast<double>(passed) / samples;
}

TEST(ChangedBeamline, ALargerCriticalAngleTransmitsMoreAsEstimated) {
  const Outcome shipped = runTarn({});
  const Outcome coated = runTarn(
      {"--set", "guide1.critical_angle_per_angstrom=0.002", "--set", "guide2.critical_angle_per_angstrom=2 mrad/Å"});
  ASSERT_EQ(coated.run.status, 0) << coated.err << coated.run.console;
  const int samples = 1000000;
  const double expected[2] = {estimatedTransmission(0.001, 0.001, samples),
                              estimatedTransmission(0.002, 0.002, samples)};
  double measured[2];
  const Outcome* runs[2] = {&shipped, &coated};
  for (int i = 0; i < 2; ++i) {
    const double n = entries(*runs[i], 1);
    measured[i] = entries(*runs[i], 3) / n;
    // Binomial errors of both, 4 standard deviations (measured: 0.5601 against
    // 0.5581 and 0.7536 against 0.7531 with 4 x 10^6 samples).
    const double sigma = std::sqrt(measured[i] * (1 - measured[i]) / n + expected[i] * (1 - expected[i]) / samples);
    EXPECT_NEAR(measured[i], expected[i], 4 * sigma) << "critical angle " << 0.001 * (i + 1);
  }
  EXPECT_GT(measured[1] - measured[0], 0.1) << measured[0] << " " << measured[1];
}

// Helium in the right half of both cells: a neutron that scattered upstream
// can now enter the downstream helium, which the shipped beamline never
// lets happen ("Frac num of tar1 entering tar2" is 0 there).
TEST(ChangedBeamline, HeliumOnTheSameSideOfBothCells) {
  const Outcome o = runTarn({"--set", "cells.downstream_helium=right"}, true);
  ASSERT_EQ(o.run.status, 0) << o.err;
  EXPECT_NE(o.run.console.find(" tarn - Upstream target on right, x>0.  Dn on right \n"), std::string::npos);
  int rightCalls = 0, leftCalls = 0, scatteredBefore = 0;
  for (const tarn::TargetCall& c : o.targetCalls) {
    if (!c.downstream) continue;
    (c.in.x > 0 ? rightCalls : leftCalls)++;
  }
  for (const tarn::DetectedNeutron& n : o.detected) scatteredBefore += n.scatteredUp && n.downIn.x > 0;
  EXPECT_GT(rightCalls, 10000);
  EXPECT_EQ(leftCalls, 0);
  EXPECT_GT(scatteredBefore, 0);
  const std::string figure = "Frac num of tar1 entering tar2";
  const std::string log = o.run.log;
  const std::size_t at = log.find(figure);
  ASSERT_NE(at, std::string::npos);
  EXPECT_GT(std::stod(log.substr(at + figure.size())), 0.0);
}

// A refused description: status 2, its messages on standard error, nothing
// made; one that breaks the model's limits with the spectrum: status 3 with
// the inputs, the reason in the log, no histogram file.
TEST(RefusedBeamline, BeforeAnythingIsMadeOrWithTheInputs) {
  const Outcome bad = runTarn({"--set", "cells.septum_half_width=3.2", "--set", "cells.temprature=2"});
  EXPECT_EQ(bad.parseStatus, 2);
  EXPECT_EQ(bad.err,
            "tarn: --set cells.temprature=2: cells.temprature: no such key (did you mean cells.temperature?)\n"
            "tarn: --set cells.septum_half_width=3.2: cells.septum_half_width = 3.2 cm is not smaller than "
            "cells.half_width = 3 cm (shipped value): the septum would fill the cells: no half is left\n"
            "tarn: --set cells.septum_half_width=3.2: cells.septum_half_width = 3.2 cm is not smaller than "
            "guide2.half_width = 3.05 cm (shipped value): both halves of the cells would lie outside the opening of "
            "guide2, which they sit behind\n"
            "tarn: --set cells.septum_half_width=3.2: cells.septum_half_width = 3.2 cm is not smaller than "
            "split_guide.half_width = 3 cm (shipped value): the halves of the cells would lie outside the channels "
            "of the split guide that follows them\n"
            "tarn: the beamline is refused; docs/beamline.md lists the keys, their units and limits\n");
  const Outcome missing = runTarn({"--beamline", "/nonexistent/beamline.toml"});
  EXPECT_EQ(missing.parseStatus, 2);
  EXPECT_NE(missing.err.find("cannot read the description: No such file or directory"), std::string::npos);

  const Outcome limit = runTarn({"--set", "split_guide.length=3 m"});
  EXPECT_EQ(limit.run.status, 3);
  EXPECT_TRUE(limit.histogramFile.empty());
  EXPECT_NE(limit.run.log.find("  --set split_guide.length=3 m: split_guide.length = 300 cm: a neutron of 20 Angstrom"),
            std::string::npos)
      << limit.run.log;
  EXPECT_NE(limit.run.log.find(" The run stops before the first event."), std::string::npos);
}

// --beamline and --set say what the beamline is; they alone do not make the
// report extended (the sampler line and the exact counts).
TEST(BeamlineOptions, AloneTheyLeaveTheReportAsWithoutArguments) {
  const std::string file = SHIPPED_FILE;
  const char* alone[] = {"tarn", "--beamline", file.c_str(), "--set", "cells.length=30"};
  const char* withSeed[] = {"tarn", "--set", "cells.length=30", "--seed", "3"};
  std::ostringstream out, err;
  const tarn::CommandLine a = tarn::parseCommandLine(5, alone, "tarn", out, err);
  const tarn::CommandLine b = tarn::parseCommandLine(5, withSeed, "tarn", out, err);
  EXPECT_FALSE(a.run.extendedReport);
  EXPECT_TRUE(b.run.extendedReport);
  EXPECT_EQ(a.run.beamline.file, file);
  EXPECT_EQ(a.run.beamline.values.cells.length, 30.0);
  EXPECT_EQ(b.run.beamline.sets, std::vector<std::string>{"cells.length=30"});
}
