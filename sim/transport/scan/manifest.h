// scan.toml, the manifest a scan writes in its folder before its first
// point: what it runs (the command, events, seed, the beamline file, the
// inputs' digests) and each point (its folder, its --set values, the values
// in the keys' units, its beamline's digest). A scan started again in that
// folder goes on with it only when it is the same scan: the same events,
// seed, points and inputs (the job slots and the checkpoint interval may
// differ). tarn-report reads it to make the scan's table, plot and page.
//
//   # tarn scan: the points of this scan ...
//   format = 1
//   command = "tarn scan --set cells.length=30,35 --seed 7 --events 20000"
//   events = 20000
//   seed = 7
//   beamline = ""                   # the description file, absolute; "" for the shipped beamline
//   keys = ["cells.length"]         # the keys set, in the command's order
//   units = ["cm"]
//   input_dir = "/home/me/tarn/data"
//   [inputs]
//   "lam.hbook" = "sha256:..."
//   [[points]]
//   folder = "1_cells.length=30"
//   sets = ["cells.length=30"]
//   values = [30.0]                 # a number in the key's unit, or "right"/"left"
//   digest = "0123456789abcdef"
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "transport/scan/options.h"
#include "transport/scan/points.h"

namespace tarn::scan {

constexpr const char* MANIFEST_NAME = "scan.toml";

struct Manifest {
  std::string command;
  std::int64_t events = 0, seed = 0;
  std::string beamlineFile;
  std::vector<std::string> keys, units;
  std::string inputDir;
  std::vector<std::pair<std::string, std::string>> inputs;  // ("lam.hbook", "sha256:...")
  struct Entry {
    std::string folder;
    std::vector<std::string> sets;
    std::vector<std::string> values;  // "%.17g" of a number, or the side
    std::string digest;
  };
  std::vector<Entry> points;
};

// The manifest of this scan; `inputDir` absolute, `inputs` their digests.
Manifest makeManifest(const Options& options, const Grid& grid, const std::string& inputDir,
                      const std::vector<std::pair<std::string, std::string>>& inputs);

std::string manifestText(const Manifest& m);
// Throws std::runtime_error naming the file and what is wrong.
Manifest readManifest(const std::string& path);

// "" when `now` is the scan `stored` describes; otherwise what differs.
std::string manifestDifference(const Manifest& stored, const Manifest& now);

}  // namespace tarn::scan
