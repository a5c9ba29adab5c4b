// tarn: the simulation program. Without arguments it runs 100000 events,
// seeded from the clock, on lam.hbook, gradx.hbook and sq.hbook in the
// working directory; options (options.h) change the events, the seed and
// the directories.
//
// Built twice from this file: `tarn`, which never links MPI, and `tarn-mpi`
// (TARN_WITH_MPI). Started by an MPI launcher (mpirun -np K tarn ...), and
// only then, tarn hands the process over to tarn-mpi beside it, which
// initialises MPI and shares the events among the K ranks. A plain run
// loads no MPI library and makes no MPI call.
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <string>

#include "transport/run/commandline.h"
#include "transport/run/parallel/launcher.h"
#include "transport/run/parallel/ranks.h"
#include "transport/run/exitstatus.h"
#include "transport/run/main_RU.h"
#include "transport/run/sampler.h"
#include "transport/scan/driver.h"
#ifdef TARN_WITH_MPI
#include "transport/run/parallel/mpiranks.h"
#endif

namespace {

#ifndef TARN_WITH_MPI
// tarn-mpi beside this program, or "" when there is none.
std::string mpiProgram() {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return "";
  const std::filesystem::path beside = self.parent_path() / "tarn-mpi";
  return std::filesystem::exists(beside, ec) ? beside.string() : "";
}
#endif

std::string versionText() {
  std::string text = "tarn " TARN_VERSION;
#ifdef TARN_WITH_MPI
  text += " (MPI: " + tarn::MpiRanks::libraryVersion() + ")";
#else
  text += mpiProgram().empty() ? " (without MPI)" : " (under an MPI launcher: tarn-mpi)";
#endif
  return text;
}

// Options that only the number of ranks can refuse; "" when none.
std::string refusedForRanks(const tarn::RunOptions& run, int ranks) {
  if (ranks > 1 && run.jobs != 1)
    return "--jobs with " + std::to_string(ranks) + " MPI ranks: give the ranks, or the jobs of one process, not both";
  return "";
}

int refuse(const std::string& why, bool speak) {
  if (speak) std::cerr << tarn::commandLineError(why);
  return tarn::STATUS_BAD_COMMAND_LINE;
}

int runOneProcess(tarn::RunOptions& run) {
  const std::string why = refusedForRanks(run, 1);
  return why.empty() ? tarn::runTarn(run) : refuse(why, true);
}

}  // namespace

int main(int argc, char** argv) {
  const tarn::Launch launch = tarn::launchFromEnvironment();
  if (argc <= 1 && !launch.launched) return tarn::MAIN_RU();

  if (argc > 1 && std::string(argv[1]) == "scan") {
    if (launch.launched)
      return refuse("tarn scan runs its points on this machine; under an MPI launcher run each point as mpirun tarn "
                    "--set ...",
                    launch.rank == 0);
    std::error_code ec;
    const std::string self = std::filesystem::read_symlink("/proc/self/exe", ec).string();
    return tarn::scan::runScan(argc - 1, argv + 1, ec ? std::string(argv[0]) : self);
  }
  tarn::CommandLine line = tarn::parseCommandLine(argc, argv, versionText(), std::cout, std::cerr, launch.rank != 0);
  if (line.exitStatus >= 0) return line.exitStatus;
#ifdef TARN_WITH_MPI
  if (!launch.launched) return runOneProcess(line.run);
  tarn::MpiRanks ranks(&argc, &argv);
  const std::string why = refusedForRanks(line.run, ranks.size());
  if (!why.empty()) return ranks.finish(refuse(why, ranks.rank() == 0));
  line.run.ranks = &ranks;
  return ranks.finish(tarn::runTarn(line.run));
#else
  if (!launch.launched) return runOneProcess(line.run);
  const std::string mpi = mpiProgram();
  if (!mpi.empty()) {
    execv(mpi.c_str(), argv);
    return refuse("cannot start " + mpi + " for the MPI launcher", launch.rank == 0);
  }
  if (launch.size > 1 || launch.rank > 0)
    return refuse("this tarn has no MPI (tarn-mpi was not built): under a launcher every rank would run the same "
                  "events",
                  launch.rank == 0);
  return runOneProcess(line.run);
#endif
}
