#include "transport/scan/pointfolder.h"

#include <filesystem>
#include <stdexcept>
#include <vector>

#include "transport/run/blocks.h"
#include "transport/run/checkpoint.h"
#include "transport/run/runfiles.h"
#include "transport/run/runrecord.h"

namespace tarn::scan {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> runLogs(const fs::path& folder) {
  std::vector<fs::path> logs;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("tarn-", 0) == 0 && name.size() > 7 && name.ends_with(".o")) logs.push_back(entry.path());
  }
  return logs;
}

bool isRunFile(const std::string& name) {
  return (name.rfind("tarn-", 0) == 0 && name.ends_with(".o")) ||
         (name.size() > 1 && name[0] == 'h' &&
          (name.ends_with(".hbook") || name.ends_with(".checkpoint") || name.find(".hbook.tmp") != std::string::npos ||
           name.find(".checkpoint.tmp") != std::string::npos));
}

}  // namespace

PointFolder examinePoint(const std::string& folder, const Point& point, std::int64_t events, std::int64_t seed) {
  PointFolder f;
  f.blocksLeft = blockCount(events);
  std::error_code ec;
  if (!fs::exists(folder, ec)) return f;
  const fs::path dir(folder);
  const fs::path histograms = dir / histFileName(static_cast<std::int32_t>(seed));
  const fs::path checkpoint = dir / checkpointName(seed);
  for (const fs::path& log : runLogs(dir)) {
    RunRecord r;
    try {
      r = readRunRecord(log.string());
    } catch (const std::runtime_error&) {
      continue;  // a run that did not finish
    }
    if (r.seed != seed || r.run.events() != events || r.beamlineDigest != point.digest)
      throw std::runtime_error(log.string() + " is the log of another run (seed " + std::to_string(r.seed) + ", " +
                               r.run.get("events") + " events, beamline " + r.beamlineDigest + ") than point " +
                               std::to_string(point.number) + "'s (seed " + std::to_string(seed) + ", " +
                               std::to_string(events) + " events, beamline " + point.digest + ")");
    if (!fs::exists(histograms, ec)) continue;
    f.state = PointState::Done;
    f.log = log.string();
    fs::remove(checkpoint, ec);
    fs::remove(dir / partialFileName(seed), ec);
    return f;
  }
  if (fs::exists(checkpoint, ec)) {
    try {
      const Checkpoint c = readCheckpoint(checkpoint.string());
      f.state = PointState::Resumable;
      f.blocksLeft = c.run.blocks().minus(c.done.blocks()).count();
      return f;
    } catch (const std::runtime_error&) {
      // A damaged checkpoint: the point runs again from the start.
    }
  }
  f.state = PointState::Stale;
  return f;
}

void clearPoint(const std::string& folder) {
  std::error_code ec;
  std::vector<fs::path> remove;
  for (const auto& entry : fs::directory_iterator(folder, ec))
    if (entry.is_regular_file(ec) && isRunFile(entry.path().filename().string())) remove.push_back(entry.path());
  for (const fs::path& p : remove) fs::remove(p, ec);
}

}  // namespace tarn::scan
