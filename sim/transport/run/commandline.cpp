#include "transport/run/commandline.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <vector>

#include "transport/run/exitstatus.h"
#include "transport/run/parallel/ranks.h"

namespace tarn {
namespace {

void describe(CLI::App& app) {
  app.description(
      "tarn: cold neutrons through two liquid-helium target cells to a detector plane.\n"
      "Without options: 100000 events, the seed from the clock, inputs and outputs in the working directory.\n"
      "Under an MPI launcher (mpirun -np K tarn ...) the events are shared among the K ranks.");
  app.set_help_flag("-h,--help", "Print this help and exit");
}

std::string checkOutputDir(const std::string& dir) {
  std::error_code ec;
  if (std::filesystem::exists(dir, ec) && !std::filesystem::is_directory(dir, ec))
    return dir + " exists and is not a directory";
  return "";
}

struct Values {
  std::string events, sampler = "auto", inputDir, outputDir, beamline;
  std::int64_t seed = -1;
  std::vector<std::string> sets;
};

// The options that say what the beamline is; they alone leave the report as
// the run without arguments has it.
constexpr const char* BEAMLINE_OPTIONS[] = {"--beamline", "--set"};

// The parser, bound to `v`.
std::unique_ptr<CLI::App> makeParser(Values& v, const std::string& version) {
  auto app = std::make_unique<CLI::App>();
  describe(*app);
  app->name("tarn");
  app->add_option("--events", v.events, "Events of the run (default 100000; up to 10^15; 1e9 is accepted)")
      ->type_name("N")
      ->check([](const std::string& s) {
        return parseEventCount(s) < 0 ? "'" + s + "' is not a number of events from 1 to 10^15" : std::string();
      });
  app->add_option("--seed", v.seed, "The seed ranNo instead of the clock's; names the histogram file h<S>.hbook")
      ->type_name("S")
      ->check(CLI::Range(std::int64_t{0}, MAX_SEED).description(""));
  app->add_option("--input-dir", v.inputDir, "Where lam.hbook, gradx.hbook and sq.hbook are read")
      ->type_name("DIR")
      ->check(CLI::Validator(CLI::ExistingDirectory).description(""));
  app->add_option("--output-dir", v.outputDir, "Where the run log and the histogram file go (made if missing)")
      ->type_name("DIR")
      ->check(checkOutputDir);
  app->add_option("--sampler", v.sampler,
                  "Uniform numbers of the histogram sampler: auto (RNDM, as the run without options, for one process "
                  "of 100000 events; else each rank's RANLUX sequence), rndm or ranlux")
      ->type_name("auto|rndm|ranlux")
      ->check(CLI::IsMember({"auto", "rndm", "ranlux"}).description(""));
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

CommandLine parseCommandLine(int argc, const char* const* argv, const std::string& version, std::ostream& out,
                             std::ostream& err, bool quiet) {
  CommandLine line;
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
    if (!quiet) err << "tarn: " << e.what() << "\n\n" << app->help();
    line.exitStatus = STATUS_BAD_COMMAND_LINE;
    return line;
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
  if (!v.events.empty()) run.nEvents = parseEventCount(v.events);
  run.seed = v.seed;
  run.inputDir = v.inputDir;
  run.outputDir = v.outputDir;
  run.sampler = v.sampler == "rndm"     ? SamplerChoice::Rndm
                : v.sampler == "ranlux" ? SamplerChoice::Ranlux
                                        : SamplerChoice::Automatic;
  return line;
}

}  // namespace tarn
