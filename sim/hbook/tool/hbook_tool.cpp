// hbook: look into HBOOK histogram files and make them from tables.
//
//   hbook ls FILE                      id, bins, range, entries, title of each 1-D histogram
//   hbook dump FILE [ID]               every value, in the layout of the reference dumps
//   hbook csv FILE ID                  low,high,content,error, one row per bin
//   hbook make [--force] [--date YYYY-MM-DDTHH:MM] OUT ID TITLE TABLE [ID TITLE TABLE ...]
//
// make builds one histogram per (ID, TITLE, TABLE) from CSV tables whose
// header line names at least the columns low, high and content (other columns,
// such as the error column of csv, are ignored; lines starting with '#' and
// blank lines are skipped). The rows must be the bins in order, of equal width
// within a thousandth of the width. The histogram gets xmin = first low edge,
// xmax = last high edge, no under/overflow, no errors bank, and as entries the
// number of rows (one fill per bin, as when a histogram is copied bin by bin).
// OUT is never overwritten unless --force is given; --date fixes the date
// stored in the file so that it is reproducible.
//
// Objects that are not 1-D histograms are reported on standard error.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "rzdump.h"
#include "rzfile.h"

namespace {

const char* const kUsage =
    "usage: hbook ls FILE\n"
    "       hbook dump FILE [ID]\n"
    "       hbook csv FILE ID\n"
    "       hbook make [--force] [--date YYYY-MM-DDTHH:MM] OUT.hbook ID TITLE TABLE.csv [ID TITLE TABLE.csv ...]\n"
    "TABLE.csv: a header line naming the columns low, high, content (others ignored), then one row per bin;\n"
    "lines starting with '#' are comments. make refuses to overwrite OUT unless --force is given.\n";

struct UsageError {
  std::string message;
};

// A table that cannot become a histogram.
struct TableError {
  std::string message;
};

bool parseInt(const std::string& s, std::int32_t& out) {
  if (s.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(s.c_str(), &end, 10);
  if (*end != '\0' || errno != 0 || v < INT32_MIN || v > INT32_MAX) return false;
  out = static_cast<std::int32_t>(v);
  return true;
}

std::int32_t idArgument(const std::string& s) {
  std::int32_t id = 0;
  if (!parseInt(s, id)) throw UsageError{"not a histogram id: " + s};
  return id;
}

hbook::ReadResult load(const std::string& path) {
  hbook::ReadResult file = hbook::readFile(path);
  for (const hbook::SkippedObject& s : file.skipped) std::cerr << s.note << "\n";
  return file;
}

const hbook::Histogram& findId(const hbook::ReadResult& file, const std::string& path, std::int32_t id) {
  for (const hbook::Histogram& h : file.histograms) {
    if (h.id == id) return h;
  }
  throw hbook::FileError(path + ": no 1-D histogram with id " + std::to_string(id));
}

std::string g9(float v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
  return buf;
}

int commandLs(const std::string& path) {
  const hbook::ReadResult file = load(path);
  std::printf("%10s %8s %15s %15s %10s  %s\n", "ID", "NBINS", "XMIN", "XMAX", "ENTRIES", "TITLE");
  for (const hbook::Histogram& h : file.histograms) {
    std::printf("%10d %8d %15s %15s %10d  %s%s\n", h.id, h.nx, g9(h.xmin).c_str(), g9(h.xmax).c_str(), h.entries,
                h.title.c_str(), h.sumw2.empty() ? "" : "  [errors]");
  }
  return 0;
}

int commandDump(const std::string& path, const std::vector<std::string>& rest) {
  const hbook::ReadResult file = load(path);
  if (rest.empty()) {
    std::cout << hbook::dumpFile(path, file);
  } else {
    std::cout << hbook::dumpHistogram(findId(file, path, idArgument(rest[0])));
  }
  return 0;
}

// Low and high edge of bin i (1..nx), so that the first low edge is xmin and
// the last high edge is xmax exactly.
float lowEdge(const hbook::Histogram& h, int i) {
  return i == 1 ? h.xmin : h.xmin + static_cast<float>(i - 1) * h.binWidth();
}
float highEdge(const hbook::Histogram& h, int i) { return i == h.nx ? h.xmax : lowEdge(h, i + 1); }

int commandCsv(const std::string& path, std::int32_t id) {
  const hbook::ReadResult file = load(path);
  const hbook::Histogram& h = findId(file, path, id);
  std::string out = "low,high,content,error\n";
  for (int i = 1; i <= h.nx; ++i) {
    const float c = h.channels[static_cast<std::size_t>(i)];
    const float e = h.sumw2.empty() ? std::sqrt(std::fabs(c)) : std::sqrt(h.sumw2[static_cast<std::size_t>(i - 1)]);
    out += g9(lowEdge(h, i)) + "," + g9(highEdge(h, i)) + "," + g9(c) + "," + g9(e) + "\n";
  }
  std::cout << out;
  return 0;
}

std::string trim(const std::string& s) {
  const auto a = s.find_first_not_of(" \t\r");
  if (a == std::string::npos) return "";
  const auto b = s.find_last_not_of(" \t\r");
  return s.substr(a, b - a + 1);
}

std::vector<std::string> splitCsv(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream ss(line);
  std::string f;
  while (std::getline(ss, f, ',')) fields.push_back(trim(f));
  if (!line.empty() && line.back() == ',') fields.push_back("");
  return fields;
}

bool parseFloat(const std::string& s, float& out) {
  if (s.empty()) return false;
  char* end = nullptr;
  errno = 0;
  out = std::strtof(s.c_str(), &end);
  return *end == '\0' && errno == 0 && std::isfinite(out);
}

hbook::Histogram histogramFromTable(std::int32_t id, const std::string& title, const std::string& table) {
  std::ifstream in(table);
  if (!in) throw TableError{table + ": cannot be opened"};
  std::string line;
  int lineNo = 0;
  int cLow = -1, cHigh = -1, cContent = -1;
  std::vector<float> low, high, content;
  std::vector<int> lines;
  bool header = false;
  auto bad = [&](const std::string& what) { return TableError{table + " line " + std::to_string(lineNo) + ": " + what}; };
  while (std::getline(in, line)) {
    ++lineNo;
    const std::string t = trim(line);
    if (t.empty() || t[0] == '#') continue;
    const std::vector<std::string> f = splitCsv(t);
    if (!header) {
      for (int k = 0; k < static_cast<int>(f.size()); ++k) {
        std::string name = f[k];
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
        if (name == "low") cLow = k;
        if (name == "high") cHigh = k;
        if (name == "content") cContent = k;
      }
      if (cLow < 0 || cHigh < 0 || cContent < 0) throw bad("header must name the columns low, high and content");
      header = true;
      continue;
    }
    const int need = std::max({cLow, cHigh, cContent});
    if (static_cast<int>(f.size()) <= need) throw bad("too few columns");
    float l, h, c;
    if (!parseFloat(f[cLow], l)) throw bad("low edge '" + f[cLow] + "' is not a number");
    if (!parseFloat(f[cHigh], h)) throw bad("high edge '" + f[cHigh] + "' is not a number");
    if (!parseFloat(f[cContent], c)) throw bad("content '" + f[cContent] + "' is not a number");
    low.push_back(l);
    high.push_back(h);
    content.push_back(c);
    lines.push_back(lineNo);
  }
  if (!header) throw TableError{table + ": no header line"};
  if (content.empty()) throw TableError{table + ": no rows"};
  hbook::Histogram h;
  h.id = id;
  h.title = title;
  h.nx = static_cast<std::int32_t>(content.size());
  h.xmin = low.front();
  h.xmax = high.back();
  if (!(h.xmax > h.xmin)) throw TableError{table + " line " + std::to_string(lines.back()) + ": last high edge not above the first low edge"};
  const float width = h.binWidth();
  const double tolerance = 1e-3 * static_cast<double>(width);
  for (int i = 0; i < h.nx; ++i) {
    lineNo = lines[static_cast<std::size_t>(i)];
    const float expectLow = h.xmin + static_cast<float>(i) * width;
    const float expectHigh = h.xmin + static_cast<float>(i + 1) * width;
    if (std::fabs(static_cast<double>(low[i]) - expectLow) > tolerance) {
      throw bad("low edge " + g9(low[i]) + " breaks the uniform binning (expected " + g9(expectLow) + ", width " + g9(width) + ")");
    }
    if (std::fabs(static_cast<double>(high[i]) - expectHigh) > tolerance) {
      throw bad("high edge " + g9(high[i]) + " breaks the uniform binning (expected " + g9(expectHigh) + ", width " + g9(width) + ")");
    }
  }
  h.channels.assign(static_cast<std::size_t>(h.nx) + 2, 0.0f);
  std::copy(content.begin(), content.end(), h.channels.begin() + 1);
  h.entries = h.nx;
  return h;
}

hbook::FileDate parseDate(const std::string& s) {
  hbook::FileDate d;
  char extra = 0;
  if (std::sscanf(s.c_str(), "%d-%d-%dT%d:%d%c", &d.year, &d.month, &d.day, &d.hour, &d.minute, &extra) != 5 || d.month < 1 ||
      d.month > 12 || d.day < 1 || d.day > 31 || d.hour < 0 || d.hour > 23 || d.minute < 0 || d.minute > 59 || d.year < 1986 ||
      d.year > 2085) {
    throw UsageError{"--date wants YYYY-MM-DDTHH:MM between 1986 and 2085: " + s};
  }
  return d;
}

int commandMake(std::vector<std::string> args) {
  bool force = false;
  while (!args.empty() && args[0].rfind("--", 0) == 0) {
    if (args[0] == "--force") {
      force = true;
      args.erase(args.begin());
    } else if (args[0] == "--date" && args.size() >= 2) {
      hbook::setFileDate(parseDate(args[1]));
      args.erase(args.begin(), args.begin() + 2);
    } else {
      throw UsageError{"unknown option " + args[0]};
    }
  }
  if (args.size() < 4 || (args.size() - 1) % 3 != 0) throw UsageError{"make wants OUT and one or more ID TITLE TABLE triples"};
  const std::string out = args[0];
  std::vector<hbook::Histogram> made;
  std::set<std::int32_t> ids;
  for (std::size_t k = 1; k < args.size(); k += 3) {
    const std::int32_t id = idArgument(args[k]);
    if (id == 0) throw UsageError{"histogram id 0 is not allowed"};
    if (!ids.insert(id).second) throw UsageError{"histogram id " + args[k] + " given twice"};
    std::string title = args[k + 1];
    title.erase(title.find_last_not_of(' ') + 1);
    if (title.size() > 80) throw UsageError{"title of histogram " + args[k] + " is longer than 80 characters"};
    made.push_back(histogramFromTable(id, title, args[k + 2]));
  }
  std::vector<const hbook::Histogram*> list;
  for (const hbook::Histogram& h : made) list.push_back(&h);
  if (!hbook::writeFile(out, list, force)) {
    std::cerr << "hbook: " << out << " exists; not overwritten (use --force to replace it)\n";
    return 1;
  }
  return 0;
}

int run(const std::vector<std::string>& args) {
  if (args.empty() || args[0] == "-h" || args[0] == "--help") {
    std::cout << kUsage;
    return args.empty() ? 2 : 0;
  }
  const std::string& cmd = args[0];
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (cmd == "ls" && rest.size() == 1) return commandLs(rest[0]);
  if (cmd == "dump" && (rest.size() == 1 || rest.size() == 2)) {
    return commandDump(rest[0], std::vector<std::string>(rest.begin() + 1, rest.end()));
  }
  if (cmd == "csv" && rest.size() == 2) return commandCsv(rest[0], idArgument(rest[1]));
  if (cmd == "make") return commandMake(rest);
  throw UsageError{"unknown command or wrong arguments: " + cmd};
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const UsageError& e) {
    std::cerr << "hbook: " << e.message << "\n" << kUsage;
    return 2;
  } catch (const TableError& e) {
    std::cerr << "hbook: " << e.message << "\n";
    return 1;
  } catch (const hbook::FileError& e) {
    std::cerr << "hbook: " << e.what() << "\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "hbook: " << e.what() << "\n";
    return 1;
  }
}
