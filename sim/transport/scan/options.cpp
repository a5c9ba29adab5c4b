#include "transport/scan/options.h"

#include <CLI/CLI.hpp>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "transport/run/commandline.h"
#include "transport/run/exitstatus.h"
#include "transport/run/runoptions.h"

namespace tarn::scan {
namespace {

std::string refusal(const std::string& what) { return "tarn scan: " + what + " (see tarn scan --help)\n"; }

bool wholeNumber(const std::string& s, std::int64_t high, std::int64_t& v) {
  if (s.empty() || s.size() > 18 || s.find_first_not_of("0123456789") != std::string::npos) return false;
  v = std::stoll(s);
  return v <= high;
}

std::string quotedIfNeeded(const std::string& word) {
  if (!word.empty() && word.find_first_of(" \t\"'\\$`*?&;|<>()") == std::string::npos) return word;
  std::string out = "'";
  for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

}  // namespace

bool parseAxis(const std::string& text, Axis& axis, std::string& why) {
  const std::size_t eq = text.find('=');
  if (eq == std::string::npos || eq == 0) {
    why = "--set " + text + ": give KEY=VALUE1,VALUE2,...";
    return false;
  }
  axis.key = text.substr(0, eq);
  axis.values.clear();
  const std::string values = text.substr(eq + 1);
  std::size_t from = 0;
  while (true) {
    const std::size_t comma = values.find(',', from);
    std::string value = values.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
    const std::size_t first = value.find_first_not_of(' ');
    value = first == std::string::npos ? "" : value.substr(first, value.find_last_not_of(' ') - first + 1);
    if (value.empty()) {
      why = "--set " + text + ": an empty value; give the values separated by commas";
      return false;
    }
    axis.values.push_back(value);
    if (comma == std::string::npos) break;
    from = comma + 1;
  }
  return true;
}

CommandLine parseCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  CommandLine line;
  Options& o = line.options;
  std::vector<std::string> sets;
  std::string events, seed, jobs = "1";
  CLI::App app(
      "tarn scan: one run per point of a grid of beamline values, each in a folder of its own, then a table of the "
      "nine figures with their errors, a plot of each against the values and one report page (tarn-report).\n"
      "Stopped (a signal, or killed), the same command goes on with the points not done.",
      "tarn scan");
  app.set_help_flag("-h,--help", "Print this help and exit");
  app.add_option("--set", sets,
                 "A key of the beamline and its values, separated by commas (repeatable: the points are every "
                 "combination): --set cells.length=30,35,41.6 --set \"cells.temperature=1.6,2.1\"")
      ->type_name("KEY=V1,V2,...")
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
      ->required();
  app.add_option("--seed", seed, "The seed of every point's run (0 to 2147483647)")->type_name("S")->required();
  app.add_option("--events", events, "Events of each point (default 100000; 1e6 is accepted)")->type_name("N");
  app.add_option("--jobs", jobs,
                 "Processes shared by the points on this machine (default 1; 0 or auto: one per core): points "
                 "run side by side, and a point of several blocks may take several")
      ->type_name("J");
  app.add_option("--beamline", o.beamlineFile, "The beamline the values are set on (default: the shipped one)")
      ->type_name("FILE");
  app.add_option("--input-dir", o.inputDir, "Where lam.hbook, gradx.hbook and sq.hbook are read")
      ->type_name("DIR")
      ->check(CLI::Validator(CLI::ExistingDirectory).description(""));
  app.add_option("--output-dir", o.outputDir, "The scan's folder (default scan): a folder per point, the table, "
                                              "the plot and the page")
      ->type_name("DIR");
  app.add_option("--checkpoint-every", o.checkpointEvery,
                 "Seconds of work between the checkpoints of a point of several blocks (default 60)")
      ->type_name("T");
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    out << app.help();
    line.exitStatus = STATUS_DONE;
    return line;
  } catch (const CLI::ParseError& e) {
    err << refusal(e.what());
    line.exitStatus = STATUS_BAD_COMMAND_LINE;
    return line;
  }
  auto refuse = [&](const std::string& what) {
    err << refusal(what);
    line.exitStatus = STATUS_BAD_COMMAND_LINE;
    return line;
  };
  for (const std::string& s : sets) {
    Axis axis;
    std::string why;
    if (!parseAxis(s, axis, why)) return refuse(why);
    for (const Axis& a : o.axes)
      if (a.key == axis.key) return refuse("--set " + axis.key + " is given twice: give all its values in one --set");
    o.axes.push_back(axis);
  }
  if (!wholeNumber(seed, MAX_SEED, o.seed)) return refuse("--seed: '" + seed + "' is not a whole number from 0 to 2147483647");
  if (!events.empty()) {
    o.events = parseEventCount(events);
    if (o.events < 0) return refuse("--events: '" + events + "' is not a number of events from 1 to 4 x 10^14");
  }
  std::int64_t j = 0;
  if (jobs == "auto")
    o.jobs = 0;
  else if (wholeNumber(jobs, MOST_JOBS, j))
    o.jobs = static_cast<int>(j);
  else
    return refuse("--jobs: '" + jobs + "' is not a number of jobs from 0 to " + std::to_string(MOST_JOBS) + " or auto");
  if (!o.checkpointEvery.empty()) {
    char* end = nullptr;
    const double t = std::strtod(o.checkpointEvery.c_str(), &end);
    if (*end != '\0' || !(t >= 0.0 && t <= 1e7))
      return refuse("--checkpoint-every: '" + o.checkpointEvery + "' is not a number of seconds from 0 to 10^7");
  }
  std::error_code ec;
  if (std::filesystem::exists(o.outputDir, ec) && !std::filesystem::is_directory(o.outputDir, ec))
    return refuse("--output-dir: " + o.outputDir + " exists and is not a directory");
  o.command = "tarn";
  for (int i = 0; i < argc; ++i) o.command += " " + quotedIfNeeded(argv[i]);
  return line;
}

}  // namespace tarn::scan
