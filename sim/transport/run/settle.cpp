// What rank 0 settles before a run creates anything (settle.h).
#include "transport/run/settle.h"

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "transport/description/summary.h"
#include "transport/run/blocks.h"
#include "transport/run/checkpoint.h"
#include "transport/run/runfiles.h"
#include "transport/run/sampler.h"

namespace tarn {
namespace {

namespace fs = std::filesystem;

// The one checkpoint (h<ranNo>.checkpoint) in dir; refusal says why, where
// there is none or more than one.
std::string checkpointIn(const std::string& dir, std::string& refusal) {
  std::vector<std::string> found;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.size() > 12 && name[0] == 'h' && name.ends_with(".checkpoint")) found.push_back(entry.path().string());
  }
  if (found.empty()) refusal = dir + " holds no checkpoint (h<ranNo>.checkpoint): there is no stopped run to resume";
  if (found.size() > 1) {
    refusal = dir + " holds the checkpoints of several runs:";
    for (const std::string& f : found) refusal += " " + f;
    refusal += "; resume each from a directory of its own";
  }
  return found.size() == 1 ? found.front() : "";
}

}  // namespace

Settled settleRun(const RunOptions& options, const RunStamp& start, const std::string& outputDir) {
  Settled s;
  if (!options.resumeDir.empty()) {
    s.resumedFrom = checkpointIn(options.resumeDir, s.refusal);
    if (!s.refusal.empty()) return s;
    Checkpoint c;
    try {
      c = readCheckpoint(s.resumedFrom);
    } catch (const std::runtime_error& e) {
      s.refusal = std::string(e.what()) + "; the stopped run cannot be resumed from it";
      return s;
    }
    s.run = c.run;
    s.done = c.done;
    s.inputDir = options.inputDir.empty() ? c.options.get("input-dir") : options.inputDir;
    auto differs = [&](bool given, const std::string& option, const std::string& value, const std::string& theirs) {
      if (given && value != theirs && s.refusal.empty())
        s.refusal = option + " " + value + " differs from the stopped run's " + theirs + " (" + s.resumedFrom +
                    "); a resumed run goes on with the stopped one: leave " + option + " out";
    };
    differs(options.eventsGiven, "--events", std::to_string(options.nEvents), s.run.get("events"));
    differs(options.seed >= 0, "--seed", std::to_string(options.seed), s.run.get("seed"));
    differs(options.samplerGiven, "--sampler", samplerName(options.sampler), s.run.sampler());
    differs(options.blocksGiven, "--blocks", BlockSet::range(options.firstBlock, options.lastBlock).text(),
            s.run.get("blocks"));
    const DetectedRecord& recorded = s.done.detected;
    s.ntuple = recorded.choice();
    s.ntupleMax = recorded.active() ? recorded.maxRows() : NTUPLE_MAX_ROWS;
    if (s.refusal.empty() && options.ntuple != NtupleChoice::None &&
        (options.ntuple != s.ntuple || options.ntupleMax != s.ntupleMax))
      s.refusal = std::string("--ntuple ") + ntupleChoiceName(options.ntuple) + " --ntuple-max " +
                  std::to_string(options.ntupleMax) + " differs from the stopped run's " +
                  (recorded.active() ? std::string("--ntuple ") + ntupleChoiceName(s.ntuple) + " --ntuple-max " +
                                           std::to_string(s.ntupleMax)
                                     : std::string("run without --ntuple")) +
                  " (" + s.resumedFrom + "); a resumed run goes on with the stopped one: leave --ntuple out";
    const std::string beamline = description::digest(options.beamline.values);
    if (s.refusal.empty() && beamline != s.run.get("beamline"))
      s.refusal = "the stopped run's beamline (digest " + s.run.get("beamline") + ", " + s.resumedFrom +
                  ") is not this one (digest " + beamline +
                  "): give the --beamline and --set of the stopped run, as its log lists them";
    return s;
  }
  const std::int64_t seed = options.seed >= 0 ? options.seed : seedFromStamp(start);
  const std::int64_t blocks = blockCount(options.nEvents);
  const BlockSet asked =
      options.lastBlock >= 0 ? BlockSet::range(options.firstBlock, options.lastBlock) : BlockSet::range(0, blocks - 1);
  s.run = RunIdentity(seed, options.nEvents, samplerName(options.sampler), asked);
  s.run.set("beamline", description::digest(options.beamline.values));
  s.inputDir = options.inputDir;
  s.ntuple = options.ntuple;
  s.ntupleMax = options.ntupleMax;
  const std::string checkpoint = inDirectory(outputDir, checkpointName(seed));
  std::error_code ec;
  if (asked.count() > 1 && fs::exists(checkpoint, ec))
    s.refusal = checkpoint + " exists: a run with seed " + std::to_string(seed) +
                " was stopped there. Go on with it: tarn --resume " + (outputDir.empty() ? "." : outputDir) +
                "; or remove the checkpoint, or use another --output-dir";
  return s;
}

std::string planText(const Settled& s) {
  return s.run.text() + "\n" + s.run.blocks().minus(s.done.blocks()).text() + "\n" + s.inputDir + "\n" +
         std::to_string(static_cast<int>(s.ntuple)) + " " + std::to_string(s.ntupleMax);
}

}  // namespace tarn
