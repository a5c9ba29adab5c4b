#include "transport/run/commandline.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iterator>
#include <vector>

#include "textout/editdistance.h"
#include "transport/run/blocks.h"
#include "transport/run/exitstatus.h"
#include "transport/run/parallel/ranks.h"

namespace tarn {
namespace {

void describe(CLI::App& app) {
  app.description(
      "tarn: cold neutrons through two liquid-helium target cells to a detector plane.\n"
      "Without options: 100000 events, the seed from the clock, inputs and outputs in the working directory.\n"
      "A run is a sequence of blocks of 100000 events with random streams of their own: the same seed and events\n"
      "give the same results on any number of processes, ranks (mpirun -np K tarn ...) or job-array tasks.\n"
      "tarn scan --set KEY=V1,V2,... --seed S: one run per point of a scan of the beamline (tarn scan --help).");
  app.set_help_flag("-h,--help", "Print this help and exit");
}

std::string checkOutputDir(const std::string& dir) {
  std::error_code ec;
  if (std::filesystem::exists(dir, ec) && !std::filesystem::is_directory(dir, ec))
    return dir + " exists and is not a directory";
  return "";
}

// A whole number from `low` to `high`, or -1.
std::int64_t wholeNumber(const std::string& s, std::int64_t low, std::int64_t high) {
  if (s.empty() || s.size() > 18 || !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return -1;
  const std::int64_t v = std::stoll(s);
  return v >= low && v <= high ? v : -1;
}

// "F-L" or "F": the blocks of a task; false for anything else.
bool parseBlockRange(const std::string& s, std::int64_t& first, std::int64_t& last) {
  const std::size_t dash = s.find('-');
  first = wholeNumber(s.substr(0, dash), 0, MOST_EVENTS);
  last = dash == std::string::npos ? first : wholeNumber(s.substr(dash + 1), 0, MOST_EVENTS);
  return first >= 0 && last >= first;
}

double parseSeconds(const std::string& s) {
  char* end = nullptr;
  const double v = std::strtod(s.c_str(), &end);
  return !s.empty() && *end == '\0' && std::isfinite(v) && v >= 0.0 && v <= 1e7 ? v : -1.0;
}

struct Values {
  std::string events, seed, sampler = "auto", inputDir, outputDir, blocks, jobs = "1", resume, checkpointEvery, beamline;
  std::string ntuple, ntupleMax;
  std::vector<std::string> sets;
  bool scanPoint = false;
};

// The options that say what the beamline is; they alone leave the report as
// the run without arguments has it.
constexpr const char* BEAMLINE_OPTIONS[] = {"--beamline", "--set"};

// The options that take a value, and the flags.
const std::vector<std::string>& valueOptions() {
  static const std::vector<std::string> names = {"--events", "--seed",   "--input-dir", "--output-dir",      "--sampler",
                                                 "--blocks", "--jobs",   "--resume",    "--checkpoint-every", "--beamline", "--set",
                                                 "--ntuple",  "--ntuple-max"};
  return names;
}
const std::vector<std::string>& flagOptions() {
  static const std::vector<std::string> names = {"-h", "--help", "--version", "--scan-point"};
  return names;
}

// Unknown options and stray arguments, said the way a user reads them:
// the option first, and the nearest known option when one is near.
std::string strayArgument(int argc, const char* const* argv) {
  const auto known = [](const std::vector<std::string>& names, const std::string& n) {
    return std::find(names.begin(), names.end(), n) != names.end();
  };
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.size() > 1 && arg[0] == '-') {
      const std::string name = arg.substr(0, arg.find('='));
      if (known(valueOptions(), name)) {
        if (name == arg) ++i;  // its value follows
        continue;
      }
      if (known(flagOptions(), name)) continue;
      std::string nearest;
      std::size_t best = std::max<std::size_t>(2, name.size() / 4 + 1);  // at most a quarter of it differs
      for (const auto* names : {&valueOptions(), &flagOptions()})
        for (const std::string& n : *names)
          if (const std::size_t d = textout::editDistance(name, n); d < best) best = d, nearest = n;
      return "unknown option " + name + (nearest.empty() ? "" : " (did you mean " + nearest + "?)");
    }
    return "unexpected argument '" + arg + "': options come as --name value";
  }
  return "";
}

// The parser, bound to `v`.
std::unique_ptr<CLI::App> makeParser(Values& v, const std::string& version) {
  auto app = std::make_unique<CLI::App>();
  describe(*app);
  app->name("tarn");
  app->add_option("--events", v.events, "Events of the run (default 100000; up to 4 x 10^14; 1e9 is accepted)")
      ->type_name("N")
      ->check([](const std::string& s) {
        return parseEventCount(s) < 0 ? "'" + s + "' is not a number of events from 1 to 4 x 10^14" : std::string();
      });
  app->add_option("--seed", v.seed, "The seed ranNo instead of the clock's; names the histogram file h<S>.hbook")
      ->type_name("S")
      ->check([](const std::string& s) {
        return wholeNumber(s, 0, MAX_SEED) < 0 ? "'" + s + "' is not a whole number from 0 to " + std::to_string(MAX_SEED)
                                               : std::string();
      });
  app->add_option("--input-dir", v.inputDir, "Where lam.hbook, gradx.hbook and sq.hbook are read")
      ->type_name("DIR")
      ->check(CLI::Validator(CLI::ExistingDirectory).description(""));
  app->add_option("--output-dir", v.outputDir, "Where the run log and the histogram file go (made if missing)")
      ->type_name("DIR")
      ->check(checkOutputDir);
  app->add_option("--sampler", v.sampler,
                  "The histogram sampler's numbers: auto (RNDM in block 0, as the run without options; each later "
                  "block its own RANLUX stream) or ranlux (every block its own stream)")
      ->type_name("auto|ranlux")
      ->check([](const std::string& s) -> std::string {
        if (s == "auto" || s == "ranlux") return "";
        if (s == "rndm")
          return "'rndm' is not offered: block 0 draws from RNDM already (auto), and every later block needs a stream "
                 "of its own";
        return "'" + s + "' is not auto or ranlux";
      });
  app->add_option("--blocks", v.blocks,
                  "Only blocks FIRST to LAST of the run (blocks of 100000 events from 0): a task of a job array; "
                  "hbook merge adds the tasks' files")
      ->type_name("FIRST-LAST")
      ->check([](const std::string& s) {
        std::int64_t first, last;
        return parseBlockRange(s, first, last) ? std::string() : "'" + s + "' is not a range of blocks FIRST-LAST";
      });
  app->add_option("--jobs", v.jobs, "Worker processes on this machine (default 1; 0 or auto: one per core)")
      ->type_name("J")
      ->check([](const std::string& s) {
        return s == "auto" || wholeNumber(s, 0, MOST_JOBS) >= 0
                   ? std::string()
                   : "'" + s + "' is not a number of jobs from 0 to " + std::to_string(MOST_JOBS) + " or auto";
      });
  app->add_option("--resume", v.resume, "Go on with the stopped run whose files (and checkpoint) are in DIR")
      ->type_name("DIR")
      ->check(CLI::Validator(CLI::ExistingDirectory).description(""));
  app->add_option("--checkpoint-every", v.checkpointEvery,
                  "Seconds of work between checkpoints of a run of several blocks (default 60; 0: after every block)")
      ->type_name("T")
      ->check([](const std::string& s) {
        return parseSeconds(s) < 0 ? "'" + s + "' is not a number of seconds from 0 to 10^7" : std::string();
      });
  app->add_option("--beamline", v.beamline,
                  "The beamline described by FILE (TOML; data/beamline.toml is the shipped one, docs/beamline.md "
                  "lists the keys)")
      ->type_name("FILE");
  app->add_option("--set", v.sets,
                  "One value of the beamline, after --beamline's (repeatable): --set cells.length=30 --set "
                  "cells.temperature=1.6")
      ->type_name("KEY=VALUE")
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  // Given by tarn scan to the runs of its points (not in --help).
  app->add_flag("--scan-point", v.scanPoint, "The run of a point of tarn scan")->group("");
  app->add_option("--ntuple", v.ntuple,
                  "Write the detected neutrons (or only those scattered in a cell) into the histogram file as a "
                  "column-wise ntuple, id 3100, with the 2-D results 3101-3103")
      ->type_name("detected|scattered")
      ->check([](const std::string& s) {
        NtupleChoice c;
        return parseNtupleChoice(s, c) ? std::string() : "'" + s + "' is neither detected nor scattered";
      });
  app->add_option("--ntuple-max", v.ntupleMax,
                  "The most rows of the ntuple (default 10^6; 1e6 is accepted): the first in event order; the log "
                  "says how many were left out")
      ->type_name("N")
      ->check([](const std::string& s) {
        const std::int64_t n = parseEventCount(s);
        return n < 1 || n > MOST_NTUPLE_ROWS
                   ? "'" + s + "' is not a number of rows from 1 to " + std::to_string(MOST_NTUPLE_ROWS)
                   : std::string();
      });
  app->set_version_flag("--version", version);
  return app;
}

}  // namespace

std::int64_t parseEventCount(const std::string& text) {
  std::size_t i = 0;
  auto digits = [&](std::int64_t& value) {
    const std::size_t from = i;
    value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
      if (value > MOST_EVENTS) return false;
      value = value * 10 + (text[i] - '0');
    }
    return i > from;
  };
  std::int64_t count = 0, exponent = 0;
  if (!digits(count)) return -1;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (!digits(exponent)) return -1;
    for (; exponent > 0 && count <= MOST_EVENTS; --exponent) count *= 10;
  }
  if (i != text.size() || count < 1 || count > MOST_EVENTS) return -1;
  return count;
}

std::string usageText() {
  Values v;
  return makeParser(v, "")->help();
}

std::string commandLineError(const std::string& what) { return "tarn: " + what + " (see tarn --help)\n"; }

CommandLine parseCommandLine(int argc, const char* const* argv, const std::string& version, std::ostream& out,
                             std::ostream& err, bool quiet) {
  CommandLine line;
  auto refuse = [&](const std::string& what) {
    if (!quiet) err << commandLineError(what);
    line.exitStatus = STATUS_BAD_COMMAND_LINE;
    return line;
  };
  Values v;
  const std::unique_ptr<CLI::App> app = makeParser(v, version);
  try {
    app->parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    if (!quiet) out << app->help();
    line.exitStatus = STATUS_DONE;
    return line;
  } catch (const CLI::CallForVersion& e) {
    if (!quiet) out << e.what() << '\n';
    line.exitStatus = STATUS_DONE;
    return line;
  } catch (const CLI::ParseError& e) {
    const std::string stray = strayArgument(argc, argv);
    return refuse(stray.empty() ? e.what() : stray);
  }
  RunOptions& run = line.run;
  for (const CLI::Option* option : app->get_options()) {
    const bool beamlineOption = std::find(std::begin(BEAMLINE_OPTIONS), std::end(BEAMLINE_OPTIONS),
                                          option->get_name()) != std::end(BEAMLINE_OPTIONS);
    if (option->count() > 0 && !beamlineOption) run.extendedReport = true;
  }
  if (!v.beamline.empty() || !v.sets.empty()) {
    description::ReadResult read = description::readDescription(SHIPPED_BEAMLINE, v.beamline, v.sets);
    if (!read.errors.empty()) {
      if (!quiet) {
        for (const std::string& e : read.errors) err << "tarn: " << e << '\n';
        err << "tarn: the beamline is refused; docs/beamline.md lists the keys, their units and limits\n";
      }
      line.exitStatus = STATUS_BAD_COMMAND_LINE;
      return line;
    }
    run.beamline = std::move(read.description);
  }
  run.eventsGiven = !v.events.empty();
  if (run.eventsGiven) run.nEvents = parseEventCount(v.events);
  run.seed = v.seed.empty() ? -1 : wholeNumber(v.seed, 0, MAX_SEED);
  run.inputDir = v.inputDir;
  run.outputDir = v.outputDir;
  run.samplerGiven = app->count("--sampler") > 0;
  run.sampler = v.sampler == "ranlux" ? SamplerChoice::Ranlux : SamplerChoice::Automatic;
  run.jobs = v.jobs == "auto" ? 0 : static_cast<int>(wholeNumber(v.jobs, 0, MOST_JOBS));
  run.resumeDir = v.resume;
  run.recordSignalsOnly = v.scanPoint;
  if (!v.checkpointEvery.empty()) run.checkpointEvery = parseSeconds(v.checkpointEvery);
  run.blocksGiven = !v.blocks.empty();
  if (run.blocksGiven) {
    parseBlockRange(v.blocks, run.firstBlock, run.lastBlock);
    const std::int64_t blocks = blockCount(run.nEvents);
    if (run.resumeDir.empty() && run.lastBlock >= blocks)
      return refuse("--blocks " + v.blocks + ": a run of " + std::to_string(run.nEvents) + " events has blocks 0-" +
                    std::to_string(blocks - 1));
  }
  if (!v.ntuple.empty()) parseNtupleChoice(v.ntuple, run.ntuple);
  if (!v.ntupleMax.empty()) {
    if (v.ntuple.empty()) return refuse("--ntuple-max " + v.ntupleMax + " caps the rows of --ntuple: give --ntuple too");
    run.ntupleMax = parseEventCount(v.ntupleMax);
  }
  if (!run.resumeDir.empty() && !run.outputDir.empty())
    return refuse("--resume " + run.resumeDir + " writes into the stopped run's directory: leave out --output-dir");
  return line;
}

}  // namespace tarn
