// hbook: look into HBOOK histogram files and make them from tables.
//
// One file per subcommand (ls.cpp, dump.cpp, ...); this file maps the names
// to them, prints the usage and turns errors into exit statuses:
//   0 done, 1 a file or table that cannot be used or written (standard
//   output included: a full disk, a closed pipe), 2 a wrong command line.
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "tool.h"

namespace {

using hbooktool::UsageError;

struct Subcommand {
  const char* name;
  int (*run)(const std::vector<std::string>&);
  const char* usage;
  bool ownHelp = false;  // a Python command: --help goes to it (its options in full)
};

const Subcommand SUBCOMMANDS[] = {
    {"ls", hbooktool::commandLs,
     "hbook ls FILE                  every object: directory, id, kind, shape, entries, title"},
    {"dump", hbooktool::commandDump,
     "hbook dump FILE [ID]           every value of the 1-D histograms, in the layout of the reference dumps\n"
     "  hbook dump --all FILE          every object of every directory, in the layout of the package's object dumps"},
    {"show", hbooktool::commandShow,
     "hbook show FILE [ID...]        every object (or those asked: ID or /DIR/ID) with the figures the package\n"
     "                               prints under it (HPRINT), and a chart"},
    {"plot", hbooktool::commandPlot,
     "hbook plot FILE [FILE...] ID [ID...] -o OUT.png|OUT.svg|OUT.pdf [--overlay] [--logy] [--norm area|events]\n"
     "                               one panel per histogram, or the files overlaid with their ratios\n"
     "                               (matplotlib, through hbook-plot; hbook plot --help for every option)",
     true},
    {"diff", hbooktool::commandDiff,
     "hbook diff A.hbook B.hbook [ID...] [--level P]\n"
     "                               chi-square and Kolmogorov-Smirnov tests of the objects in both files;\n"
     "                               exit 0 all agree, 1 some do not, 2 a wrong command line or unreadable file",
     true},
    {"fit", hbooktool::commandFit,
     "hbook fit FILE ID MODEL [--range LO HI] [--likelihood] [-o PLOT]\n"
     "                               fit gauss, expo, poly0..poly3 or gauss+poly1 to a 1-D histogram (SciPy)",
     true},
    {"export", hbooktool::commandExport,
     "hbook export FILE OUT.h5|OUT.npz [--force]\n"
     "                               every object of every directory into HDF5 (NeXus NXdata) or numpy's npz",
     true},
    {"csv", hbooktool::commandCsv,
     "hbook csv FILE ID              a table: per bin (1-D), per cell (2-D), per channel (profile), per entry (ntuple)"},
    {"json", hbooktool::commandJson,
     "hbook json FILE [ID]           the file or one object as JSON; ID may be /DIR/ID"},
    {"make", hbooktool::commandMake,
     "hbook make [--force] [--date YYYY-MM-DDTHH:MM] OUT.hbook ID TITLE TABLE.csv [ID TITLE TABLE.csv ...]\n"
     "                               histograms from tables; OUT is replaced only with --force"},
    {"copy", hbooktool::commandCopy,
     "hbook copy [--record-length N] IN OUT   every object of every directory of IN into a new file OUT"},
    {"merge", hbooktool::commandMerge,
     "hbook merge [--incomplete] OUT IN.hbook...    the files of separate runs, or of a run's blocks, added together into a new file OUT"},
};

constexpr const char* TABLES =
    "TABLE.csv: a header line naming the columns low, high, content (others ignored), then one row per bin;\n"
    "lines starting with '#' are comments.\n";

std::string usage() {
  std::string text = "usage:\n";
  for (const Subcommand& s : SUBCOMMANDS) text += "  " + std::string(s.usage) + "\n";
  return text + TABLES;
}

// `hbook COMMAND --help` (or -h): that command's usage.
std::string usage(const Subcommand& s) {
  return "usage:\n  " + std::string(s.usage) + "\n" + (std::string(s.name) == "make" ? TABLES : "");
}

int run(const std::vector<std::string>& args) {
  if (args.empty() || args[0] == "-h" || args[0] == "--help") {
    std::cout << usage();
    return args.empty() ? 2 : 0;
  }
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  for (const Subcommand& s : SUBCOMMANDS) {
    if (args[0] != s.name) continue;
    if (!rest.empty() && (rest[0] == "--help" || rest[0] == "-h") && !s.ownHelp) {
      std::cout << usage(s);
      return 0;
    }
    return s.run(rest);
  }
  throw UsageError{"unknown command: " + args[0]};
}

int runAndReport(int argc, char** argv) {
  try {
    return run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const UsageError& e) {
    std::cerr << "hbook: " << e.message << "\n" << usage();
    return 2;
  } catch (const hbooktool::InputError& e) {
    std::cerr << "hbook: " << e.message << "\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "hbook: " << e.what() << "\n";
    return 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Beyond the file-size limit a write fails with a message instead of killing the tool.
  std::signal(SIGXFSZ, SIG_IGN);
  const int status = runAndReport(argc, argv);
  const std::string failed = hbooktool::flushStandardOutput();
  if (failed.empty()) return status;
  std::cerr << "hbook: writing to standard output failed: " << failed << "\n";
  return status != 0 ? status : 1;
}
