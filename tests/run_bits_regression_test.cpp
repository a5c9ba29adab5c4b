// Bit-level regression of the whole run: the exact bits of every detected
// neutron's state at each stage and of every TARGET call (transfer, neutron
// in and out, the seven scattering outputs), for the run of
// run_regression_test.cpp (shipped inputs, fixed clock).
//
// The reference (tests/data/run/bits-digest.txt) holds the first records in
// full, one field per line, and for each block of 1000 events a hash of each
// field group over the block's records, plus where both generators stand at
// the end. A failure names the first differing record field, or the first
// differing block and its field groups. After an intended change of results,
// regenerate with
//   TARN_UPDATE_REFERENCE=1 build/tests/run_bits_regression_test
// and review `git diff tests/data/run/` before committing it.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "hbook/memory/store.h"
#include "ranlux/ranlux.h"
#include "support/runs.h"

using namespace testsupport;

namespace {

const tarn::RunStamp START = tarn::makeStamp(2026, 11, 2, 14, 37, 41, 503);
constexpr int BLOCK_EVENTS = 1000;
constexpr int FULL_RECORDS = 4;  // records of each kind written out in full

// One value of a record: a group ("upIn"), a field ("upIn.x") and its bits.
struct Field {
  std::string group, name;
  std::uint64_t bits;
  std::string shown;  // the value for a reader
};
using Record = std::vector<Field>;

std::string fmt(const char* f, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, f, v);
  return buf;
}

void addDouble(Record& r, const std::string& group, const std::string& name, double v) {
  r.push_back({group, name, std::bit_cast<std::uint64_t>(v), fmt("%.17g", v)});
}
void addInt(Record& r, const std::string& group, const std::string& name, std::int64_t v) {
  r.push_back({group, name, static_cast<std::uint64_t>(v), std::to_string(v)});
}
void addState(Record& r, const std::string& group, const tarn::NeutronState& s) {
  addDouble(r, group, group + ".E", s.E);
  addDouble(r, group, group + ".x", s.x);
  addDouble(r, group, group + ".y", s.y);
  addDouble(r, group, group + ".z", s.z);
  addDouble(r, group, group + ".thx", s.thx);
  addDouble(r, group, group + ".thy", s.thy);
}
void addTally(Record& r, const std::string& group, const tarn::CellTally& t) {
  addDouble(r, group, group + ".unscatteredPath", t.unscatteredPath);
  addDouble(r, group, group + ".unscatteredRotation", t.unscatteredRotation);
  addDouble(r, group, group + ".scatteredPath", t.scatteredPath);
  addDouble(r, group, group + ".scatteredRotation", t.scatteredRotation);
}

Record detectedRecord(const tarn::DetectedNeutron& n) {
  Record r;
  addInt(r, "event", "event", n.event);
  addDouble(r, "En", "En", n.En);
  addDouble(r, "q", "qUp", n.qUp);
  addDouble(r, "q", "qDown", n.qDown);
  addState(r, "upIn", n.upIn);
  addState(r, "upOut", n.upOut);
  addState(r, "downIn", n.downIn);
  addState(r, "downOut", n.downOut);
  addState(r, "detector", n.detector);
  addInt(r, "scattered", "scatteredUp", n.scatteredUp);
  addInt(r, "scattered", "scatteredDown", n.scatteredDown);
  addTally(r, "up", n.up);
  addTally(r, "down", n.down);
  addDouble(r, "total", "totalPath", n.totalPath);
  addDouble(r, "total", "totalRotation", n.totalRotation);
  return r;
}

Record targetRecord(const tarn::TargetCall& c) {
  Record r;
  addInt(r, "event", "event", c.event);
  addInt(r, "event", "downstream", c.downstream);
  addDouble(r, "q", "q", c.q);
  addState(r, "in", c.in);
  addState(r, "out", c.out);
  addInt(r, "scattered", "scattered", c.scattered);
  addDouble(r, "sigma", "sigma", c.sigma);
  addDouble(r, "sigma", "sigmaSommers", c.sigmaSommers);
  addDouble(r, "sigma", "sigmaIntq", c.sigmaIntq);
  addDouble(r, "path", "path", c.path);
  addDouble(r, "angles", "thetaS", c.thetaS);
  addDouble(r, "angles", "theta_p", c.theta_p);
  addDouble(r, "angles", "phi_p", c.phi_p);
  return r;
}

// FNV-1a over 64-bit words, folded to 32 bits.
struct Hash {
  std::uint64_t h = 14695981039346656037ull;
  void add(std::uint64_t v) {
    for (int i = 0; i < 8; ++i) {
      h ^= (v >> (8 * i)) & 0xFF;
      h *= 1099511628211ull;
    }
  }
  std::string hex() const {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08x", static_cast<unsigned>((h >> 32) ^ (h & 0xFFFFFFFFu)));
    return buf;
  }
};

// The digest lines of one kind of record (records in event order).
std::string digestOf(const std::string& kind, const std::vector<std::pair<int, Record>>& records) {
  std::string out = kind + " records " + std::to_string(records.size()) + "\n";
  for (std::size_t i = 0; i < records.size() && i < FULL_RECORDS; ++i)
    for (const Field& f : records[i].second) {
      char bits[24];
      std::snprintf(bits, sizeof bits, "%016llx", static_cast<unsigned long long>(f.bits));
      out += kind + " " + std::to_string(i + 1) + " " + f.name + " " + bits + " " + f.shown + "\n";
    }
  std::size_t i = 0;
  for (int first = 1; first <= tarn::Nevents; first += BLOCK_EVENTS) {
    const int last = first + BLOCK_EVENTS - 1;
    std::vector<std::string> groups;
    std::map<std::string, Hash> hashes;
    int count = 0;
    for (; i < records.size() && records[i].first <= last; ++i, ++count)
      for (const Field& f : records[i].second) {
        if (!hashes.count(f.group)) groups.push_back(f.group);
        hashes[f.group].add(f.bits);
      }
    out += kind + " block " + std::to_string(first) + "-" + std::to_string(last) + " n=" + std::to_string(count);
    for (const std::string& g : groups) out += " " + g + "=" + hashes[g].hex();
    out += "\n";
  }
  return out;
}

// Where the histogram sampler's generator and RANLUX stand after the run.
std::string generatorsLine() {
  std::int32_t state[25];
  ranlux::runGenerator().rluxut(state);
  Hash h;
  for (std::int32_t v : state) h.add(static_cast<std::uint32_t>(v));
  std::int32_t lux, ins, k1, k2;
  ranlux::runGenerator().rluxat(lux, ins, k1, k2);
  const float next = hbook::rndm();
  char buf[160];
  std::snprintf(buf, sizeof buf, "end rndm-next %08x ranlux-count %d %d ranlux-state %s\n",
                std::bit_cast<std::uint32_t>(next), k1, k2, h.hex().c_str());
  return buf;
}

std::vector<std::string> words(const std::string& line) {
  std::vector<std::string> out;
  std::istringstream in(line);
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

// The first difference, said as a reader needs it.
std::string explain(const std::string& expected, const std::string& actual) {
  if (expected.find(" block ") == std::string::npos) return "";
  const auto e = words(expected), a = words(actual);
  std::string differing;
  for (std::size_t i = 3; i < e.size() && i < a.size(); ++i)
    if (e[i] != a[i]) differing += " " + e[i].substr(0, e[i].find('='));
  return "\n  events " + e[2] + " of the " + e[0] + " records differ first in:" + differing;
}

void compareOrUpdate(const std::string& actual) {
  const ReferenceDifference d = compareOrUpdateReference("bits-digest.txt", actual);
  if (d.differs) FAIL() << d.describe("bits-digest.txt") << explain(d.expected, d.actual);
}

}  // namespace

TEST(RunBitsRegression, EveryDetectedNeutronAndTargetCallKeepsItsBits) {
  ScratchDir dir("bits");
  dir.copyShippedInputs();
  std::vector<std::pair<int, Record>> detected, targets;
  tarn::RunOptions options;
  auto reading = std::make_shared<int>(0);
  options.clock = [reading] {
    tarn::RunStamp s = START;
    if ((*reading)++ > 0) s.time = START.time.substr(0, 2) + "59" + START.time.substr(4);
    return s;
  };
  options.observer = [&](const tarn::DetectedNeutron& n) { detected.emplace_back(n.event, detectedRecord(n)); };
  options.targetObserver = [&](const tarn::TargetCall& c) { targets.emplace_back(c.event, targetRecord(c)); };
  const RunResult r = runWithOptions(dir.path(), options, START);
  const std::string end = generatorsLine();  // nothing has drawn since the run ended
  ASSERT_EQ(r.status, 0) << r.console;

  compareOrUpdate("# Bit-level digest of the 100000-event run of the regression references; see\n"
                  "# tests/run_bits_regression_test.cpp.\n" +
                  digestOf("detected", detected) + digestOf("target", targets) + end);
}

// The digest sees a change of the last bit of one value deep in the run.
TEST(RunBitsRegression, DigestNamesTheBlockAndGroupOfALastBitChange) {
  std::vector<std::pair<int, Record>> records;
  for (int event = 1; event <= 5000; event += 7) {
    tarn::TargetCall c;
    c.event = event;
    c.q = 0.01 * event;
    c.in.x = 1.0 / event;
    records.emplace_back(event, targetRecord(c));
  }
  const std::string before = digestOf("target", records);
  records[500].second[3].bits ^= 1;  // in.E of the record of event 3501
  const std::string after = digestOf("target", records);
  const auto b = lines(before), a = lines(after);
  ASSERT_EQ(b.size(), a.size());
  std::size_t i = 0;
  while (i < b.size() && b[i] == a[i]) ++i;
  ASSERT_LT(i, b.size());
  EXPECT_EQ(explain(b[i], a[i]), "\n  events 3001-4000 of the target records differ first in: in");
}
