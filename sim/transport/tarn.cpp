// tarn: the simulation program. Without arguments it runs 100000 events,
// seeded from the clock, on lam.hbook, gradx.hbook and sq.hbook in the
// working directory; options (options.h) change the events, the seed and
// the directories. Started by an MPI launcher (mpirun -np K tarn ...), and
// only then, it initialises MPI and shares the events among the K ranks.
#include <iostream>
#include <string>

#include "options.h"
#include "parallel/launcher.h"
#include "run.h"
#include "sampler.h"
#ifdef TARN_WITH_MPI
#include "parallel/mpiranks.h"
#endif

namespace {

std::string versionText() {
  std::string text = "tarn " TARN_VERSION;
#ifdef TARN_WITH_MPI
  text += " (MPI: " + tarn::MpiRanks::libraryVersion() + ")";
#else
  text += " (built without MPI)";
#endif
  return text;
}

// Options that only the number of ranks can refuse; "" when none.
std::string refusedForRanks(const tarn::RunOptions& run, int ranks) {
  std::string why = tarn::samplerChoiceError(run.sampler, ranks);
  if (why.empty() && run.seed >= 0) why = tarn::seedRangeError(run.seed, ranks);
  return why;
}

int refuse(const std::string& why, bool speak) {
  if (speak) std::cerr << "tarn: " << why << "\n\n" << tarn::usageText();
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const tarn::Launch launch = tarn::launchFromEnvironment();
  if (argc <= 1 && !launch.launched) return tarn::MAIN_RU();

  tarn::CommandLine line = tarn::parseCommandLine(argc, argv, versionText(), std::cout, std::cerr, launch.rank != 0);
  if (line.exitStatus >= 0) return line.exitStatus;
  if (!launch.launched) {
    const std::string why = refusedForRanks(line.run, 1);
    return why.empty() ? tarn::runTarn(line.run) : refuse(why, true);
  }
#ifdef TARN_WITH_MPI
  tarn::MpiRanks ranks(&argc, &argv);
  const std::string why = refusedForRanks(line.run, ranks.size());
  if (!why.empty()) return ranks.finish(refuse(why, ranks.rank() == 0));
  line.run.ranks = &ranks;
  return ranks.finish(tarn::runTarn(line.run));
#else
  if (launch.size > 1)
    return refuse("this tarn was built without MPI: under a launcher it would run the same events " +
                      std::to_string(launch.size) + " times",
                  launch.rank == 0);
  const std::string why = refusedForRanks(line.run, 1);
  return why.empty() ? tarn::runTarn(line.run) : refuse(why, true);
#endif
}
