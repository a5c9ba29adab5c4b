#include "transport/run/runrecord.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <filesystem>

#include "transport/description/summary.h"
#include "transport/run/blocks.h"

namespace tarn {
namespace {

using textout::Line;

struct Log {
  std::string name;
  std::vector<std::string> lines;
  [[noreturn]] void fail(const std::string& what) const { throw std::runtime_error(name + ": " + what); }
};

bool startsWith(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

// The whole number after `prefix` on a line, blanks around it allowed.
bool numberAfter(const std::string& line, const std::string& prefix, std::int64_t& value) {
  if (!startsWith(line, prefix)) return false;
  std::istringstream in(line.substr(prefix.size()));
  long long v = 0;
  std::string rest;
  if (!(in >> v) || (in >> rest)) return false;
  value = v;
  return true;
}

void readExactLine(const Log& log, const std::string& line, RunTotals& t) {
  std::istringstream in(line.substr(std::string(EXACT_COUNTS_LABEL).size()));
  Counters& n = t.counters;
  std::int64_t* const fields[] = {&t.nEvents,    &n.nTar1In,      &n.nScatTar1,   &n.nTar2In,
                                  &n.nScatTar2,  &n.nLowEnergy,   &n.nTar1ToTar2, &n.nDetIn,
                                  &n.nScatAtDet, &n.nDetEChanged, &t.nNoTransfer};
  const char* const names[] = {"nEvents",     "nTar1In", "nScatTar1",  "nTar2In",      "nScatTar2",  "nLowEnergy",
                               "nTar1ToTar2", "nDetIn",  "nScatAtDet", "nDetEChanged", "nNoTransfer"};
  for (int i = 0; i < 11; ++i) {
    std::string name;
    long long v = -1;
    if (!(in >> name >> v) || name != names[i] || v < 0) log.fail("the exact counts line is damaged near " + std::string(names[i]));
    *fields[i] = v;
  }
}

// The counter of fraction figure i whose printed value is `shown`, given the
// other counters: the one count near value x denominator that prints so.
void recoverNumerator(const Log& log, RunTotals& t, int i, const std::string& shown) {
  const Figure& f = FIGURE_TABLE[i];
  const double denominator = static_cast<double>(f.denominator ? t.counters.*f.denominator : t.nEvents);
  const double value = std::strtod(shown.c_str(), nullptr);
  const double guess = std::isfinite(value) ? std::nearbyint(value * denominator) : 0.0;
  std::int64_t found = -1;
  for (std::int64_t c = static_cast<std::int64_t>(guess) - 2; c <= static_cast<std::int64_t>(guess) + 2; ++c) {
    if (c < 0) continue;
    RunTotals trial = t;
    trial.counters.*f.numerator = c;
    if (textout::formatReal(figureValue(trial, i)) != shown) continue;
    if (found >= 0)
      log.fail("the figure '" + std::string(f.logText) + "' does not determine its count (" + std::to_string(found) +
               " or " + std::to_string(c) + "), and the log has no exact counts line");
    found = c;
  }
  if (found < 0) log.fail("no count prints the figure '" + std::string(f.logText) + "' as " + shown);
  t.counters.*f.numerator = found;
}

}  // namespace

RunRecord runRecordFromText(const std::string& name, const std::string& text) {
  Log log{name, {}};
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) log.lines.push_back(line);

  RunRecord r;
  r.log = name;
  r.text = text;
  RunTotals& t = r.totals;
  bool haveSeed = false;
  std::string beamlineLine;  // the digest on the log's " Beamline ..." line
  // The four stage counts as printed: input, tar1 in, tar2 in, det in (-1: not seen).
  std::int64_t printed[4] = {-1, -1, -1, -1};
  const char* const countPrefixes[4] = {" input ", " tar1 in", " tar2 in", " det in"};
  std::size_t endTime = log.lines.size();
  for (std::size_t k = 0; k < log.lines.size(); ++k) {
    const std::string& line = log.lines[k];
    std::int64_t v = 0;
    if (numberAfter(line, " ranNo is", v)) {
      r.seed = v;
      haveSeed = true;
    } else if (startsWith(line, " Ranks ")) {
      std::istringstream(line.substr(7)) >> r.ranks;
    } else if (startsWith(line, " Sampler: RANLUX")) {
      r.rndmSampler = false;
    } else if (startsWith(line, " Beamline") && line.find(description::DIGEST_WORDS) != std::string::npos) {
      const std::size_t at = line.find(description::DIGEST_WORDS) + std::string(description::DIGEST_WORDS).size();
      beamlineLine = line.substr(at, line.find(')', at) - at);
      for (std::size_t j = k + 1; j < log.lines.size() && startsWith(log.lines[j], "   "); ++j) {
        const std::string& change = log.lines[j];
        const std::size_t eq = change.find(" = "), shipped = change.find(description::SHIPPED_WORDS);
        if (eq == std::string::npos || shipped == std::string::npos || shipped < eq) break;
        r.beamline.emplace_back(change.substr(3, eq - 3), change.substr(eq + 3, shipped - eq - 3));
      }
    } else if (startsWith(line, " Run record: ")) {
      try {
        r.run = RunIdentity::parse(line.substr(13));
      } catch (const std::runtime_error& e) {
        log.fail(e.what());
      }
    } else if (startsWith(line, " The histogram sampler leaves RNDM")) {
      r.rndmSampler = true;
    } else if (startsWith(line, EXACT_COUNTS_LABEL)) {
      readExactLine(log, line, t);
      r.exactLine = true;
    } else if (startsWith(line, "   End time: ")) {
      endTime = k;
      break;
    } else {
      for (int c = 0; c < 4; ++c)
        if (numberAfter(line, countPrefixes[c], v)) printed[c] = v;
    }
  }
  if (!haveSeed) log.fail("no 'ranNo is' line: not a run log of tarn");
  if (endTime == log.lines.size() || endTime + FIGURES >= log.lines.size())
    log.fail("no end time and nine figures: the run did not finish");
  for (int c = 0; c < 4; ++c)
    if (printed[c] < 0) log.fail("no '" + std::string(countPrefixes[c]).substr(1) + "' line: the run did not reach its end");
  std::int64_t* const counts[4] = {&t.nEvents, &t.counters.nTar1In, &t.counters.nTar2In, &t.counters.nDetIn};
  for (int c = 0; c < 4; ++c) {
    if (!r.exactLine) *counts[c] = printed[c];
    if (*counts[c] != printed[c])
      log.fail("the line '" + std::string(countPrefixes[c]).substr(1) + "' does not agree with the exact counts");
  }

  // The figures, in order after the end time.
  std::vector<std::string> shown;
  for (int i = 0; i < FIGURES; ++i) {
    const std::string& line = log.lines[endTime + 1 + static_cast<std::size_t>(i)];
    const std::string prefix = std::string(" ") + FIGURE_TABLE[i].logText;
    if (!startsWith(line, prefix)) log.fail("line " + std::to_string(endTime + 2 + i) + " is not the figure '" + FIGURE_TABLE[i].logText + "'");
    shown.push_back(line.substr(prefix.size()));
  }
  const std::size_t after = endTime + 1 + FIGURES;
  std::int64_t noTransfer = 0;
  const bool noTransferLine = after < log.lines.size() &&
                              numberAfter(log.lines[after], "    Events ended without an allowed momentum transfer ", noTransfer);

  if (!r.exactLine) {
    t.nNoTransfer = noTransferLine ? noTransfer : 0;
    for (int i = 0; i < FIGURES; ++i) {
      const Figure& f = FIGURE_TABLE[i];
      if (f.count) {
        std::istringstream(shown[static_cast<std::size_t>(i)]) >> (t.counters.*f.numerator);
      }
    }
    // Each counter known only as a fraction, from the first figure that shows it.
    for (int i : {0, 1, 2, 3}) recoverNumerator(log, t, i, shown[static_cast<std::size_t>(i)]);
  }
  const std::vector<Line> expected = figureLines(t, true);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const std::size_t k = endTime + 1 + i;
    if (k >= log.lines.size() || log.lines[k] != expected[i].str())
      log.fail("line " + std::to_string(k + 1) + " does not agree with the run's counts: expected '" + expected[i].str() + "'");
  }
  // A log without a run record: a complete run of its ranNo (the run of
  // 100000 events of always is block 0).
  if (r.run.fields().empty())
    r.run = RunIdentity(r.seed, t.nEvents, r.rndmSampler ? "auto" : "ranlux", BlockSet::range(0, blockCount(t.nEvents) - 1));
  // The beamline: the log lists the values of any but the shipped one.
  r.beamlineDigest = beamlineLine.empty() ? shippedBeamlineDigest() : beamlineLine;
  const std::string recorded = r.run.get("beamline");
  if (!recorded.empty() && recorded != r.beamlineDigest)
    log.fail("its run record's beamline (digest " + recorded + ") is not the one its beamline lines give (" +
             r.beamlineDigest + ")");
  r.run.set("beamline", r.beamlineDigest);
  return r;
}

RunRecord readRunRecord(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error(path + ": cannot be read");
  std::ostringstream text;
  text << in.rdbuf();
  return runRecordFromText(path, text.str());
}

std::vector<std::string> checkRunsAddUp(const std::vector<RunRecord>& runs, bool incomplete) {
  std::vector<std::string> notes;
  for (std::size_t a = 0; a < runs.size(); ++a)
    for (std::size_t b = a + 1; b < runs.size(); ++b) {
      std::error_code ec;
      if (std::filesystem::equivalent(runs[a].log, runs[b].log, ec) || runs[a].text == runs[b].text)
        throw std::runtime_error(runs[b].log + " is given twice" +
                                 (runs[a].log == runs[b].log ? "" : " (as " + runs[a].log + " too)"));
      const std::string beamlines = differentBeamlines({runs[a].log, runs[a].beamlineDigest, runs[a].beamline},
                                                       {runs[b].log, runs[b].beamlineDigest, runs[b].beamline});
      if (!beamlines.empty()) throw std::runtime_error(beamlines);
      const RunIdentity& x = runs[a].run;
      const RunIdentity& y = runs[b].run;
      if (x.seed() != y.seed()) continue;
      const BlockSet shared = x.blocks().intersection(y.blocks());
      if (!shared.empty())
        throw std::runtime_error(runs[a].log + " and " + runs[b].log + " both hold blocks " + shared.text() +
                                 " of seed " + std::to_string(x.seed()) + ": their events repeat each other");
    }
  bool oneRun = true;
  BlockSet held;
  for (const RunRecord& r : runs) {
    oneRun = oneRun && r.run.differingField(runs.front().run).empty();
    held.add(r.run.blocks());
  }
  if (oneRun) {
    const RunIdentity& run = runs.front().run;
    const BlockSet missing = BlockSet::range(0, blockCount(run.events()) - 1).minus(held);
    if (!missing.empty() && !incomplete)
      throw std::runtime_error("blocks " + missing.text() + " of the run (seed " + std::to_string(run.seed()) + ", " +
                               std::to_string(run.events()) + " events) are in none of the logs; add their logs, or "
                               "give --incomplete for the report of part of the run");
    notes.push_back("blocks " + held.text() + " of the run with seed " + std::to_string(run.seed()) +
                    (missing.empty() ? ": the whole run" : "; blocks " + missing.text() + " are not in it"));
    return notes;
  }
  std::vector<std::string> onRndm;
  for (const RunRecord& r : runs)
    if (r.rndmSampler && r.run.blocks().contains(0)) onRndm.push_back(r.log);
  if (onRndm.size() > 1) {
    std::string list;
    for (const std::string& name : onRndm) list += " " + name;
    notes.push_back("in block 0 these runs drew the sampler's numbers from RNDM, which is never seeded, so there they "
                    "share their wavelengths and momentum transfers:" + list +
                    " (separate runs meant to be added together: --sampler ranlux, or one run's blocks)");
  }
  return notes;
}

}  // namespace tarn
