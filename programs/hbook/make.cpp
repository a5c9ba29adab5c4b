// hbook make [--force] [--date YYYY-MM-DDTHH:MM] OUT ID TITLE TABLE [ID TITLE TABLE ...]
//
// Builds one histogram per (ID, TITLE, TABLE) from CSV tables whose header
// line names at least the columns low, high and content (other columns, such
// as the error column of csv, are ignored; lines starting with '#' and blank
// lines are skipped; a UTF-8 byte-order mark before the header is ignored; a
// column name may appear only once). The rows must be the bins in order: each
// edge within a thousandth of the width, plus the rounding of a 32-bit float,
// of xmin + i * width (in double precision). Every value must fit a 32-bit
// float (denormals included). The histogram gets xmin = first low edge,
// xmax = last high edge, no under/overflow, no errors bank, and as entries the
// number of rows (one fill per bin, as when a histogram is copied bin by bin).
// OUT is never overwritten unless --force is given, and then only when it is
// a regular file (never a symbolic link, a device or a directory); --date
// fixes the date stored in the file so that it is reproducible.
#include <algorithm>
#include <sys/stat.h>

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <limits>
#include <set>
#include <sstream>

#include "hbook/print/numbers.h"
#include "hbook/rz/date.h"
#include "hbook/rz/writer.h"
#include "tool.h"

namespace hbooktool {
namespace {

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

// A table value as a double and as the 32-bit float the file will hold.
// Returns why it cannot be used, or "" when it can.
std::string parseValue(const std::string& s, double& value, float& stored) {
  char* end = nullptr;
  errno = 0;
  value = std::strtod(s.c_str(), &end);
  if (s.empty() || *end != '\0') return "is not a number";
  if (std::isnan(value) || (std::isinf(value) && errno != ERANGE)) return "is not finite";
  stored = static_cast<float>(value);
  if (std::isinf(stored) || (errno == ERANGE && std::fabs(value) > 1.0)) {
    return "is out of the range of a 32-bit float (largest " + hbook::exporting::number(FLT_MAX) + ")";
  }
  if (stored == 0.0f && (value != 0.0 || errno == ERANGE)) {
    return "is too small for a 32-bit float (smallest " +
           hbook::exporting::number(std::numeric_limits<float>::denorm_min()) + ")";
  }
  return "";
}

const char* kindOfFile(mode_t mode) {
  if (S_ISLNK(mode)) return "a symbolic link";
  if (S_ISDIR(mode)) return "a directory";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISFIFO(mode)) return "a named pipe";
  return "not a regular file";
}

hbook::Histogram histogramFromTable(std::int32_t id, const std::string& title, const std::string& table) {
  std::ifstream in(table);
  if (!in) throw InputError{table + ": cannot be opened"};
  std::string line;
  int lineNo = 0;
  int cLow = -1, cHigh = -1, cContent = -1;
  std::vector<double> low, high;
  std::vector<float> content;
  std::vector<int> lines;
  bool header = false;
  auto bad = [&](const std::string& what) {
    return InputError{table + " line " + std::to_string(lineNo) + ": " + what};
  };
  while (std::getline(in, line)) {
    ++lineNo;
    if (lineNo == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);  // UTF-8 byte-order mark
    const std::string t = trim(line);
    if (t.empty() || t[0] == '#') continue;
    const std::vector<std::string> f = splitCsv(t);
    if (!header) {
      std::set<std::string> names;
      for (int k = 0; k < static_cast<int>(f.size()); ++k) {
        std::string name = f[k];
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
        if (!name.empty() && !names.insert(name).second) throw bad("column name '" + f[k] + "' appears twice");
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
    double l, h, c;
    float stored;
    std::string why;
    if (!(why = parseValue(f[cLow], l, stored)).empty()) throw bad("low edge '" + f[cLow] + "' " + why);
    if (!(why = parseValue(f[cHigh], h, stored)).empty()) throw bad("high edge '" + f[cHigh] + "' " + why);
    if (!(why = parseValue(f[cContent], c, stored)).empty()) throw bad("content '" + f[cContent] + "' " + why);
    low.push_back(l);
    high.push_back(h);
    content.push_back(stored);
    lines.push_back(lineNo);
  }
  if (!header) throw InputError{table + ": no header line"};
  if (content.empty()) throw InputError{table + ": no rows"};
  hbook::Histogram h;
  h.id = id;
  h.title = title;
  h.nx = static_cast<std::int32_t>(content.size());
  h.xmin = static_cast<float>(low.front());
  h.xmax = static_cast<float>(high.back());
  if (!(h.xmax > h.xmin))
    throw InputError{table + " line " + std::to_string(lines.back()) + ": last high edge not above the first low edge"};
  // Edges against xmin + i * width in double precision: a thousandth of the
  // width, plus a few roundings of a 32-bit float at the edge's magnitude
  // (tables written from a histogram hold its edges as floats). The row to
  // blame is found first: one whose width is not the width of most rows (a
  // wrong edge, the last row's included), then one whose low edge is not the
  // previous row's high edge (a row missing, doubled or out of order).
  auto text = [](double v) { return hbook::exporting::number(static_cast<float>(v)); };  // as the file would hold it
  auto apart = [](double a, double b, double width) {
    return std::fabs(a - b) > 1e-3 * width + 4 * FLT_EPSILON * std::max(std::fabs(a), std::fabs(b));
  };
  auto row = [&](int i) {
    lineNo = lines[static_cast<std::size_t>(i)];
    return "bin " + std::to_string(i + 1) + ": ";
  };
  std::vector<double> widths;
  for (int i = 0; i < h.nx; ++i) widths.push_back(high[i] - low[i]);
  std::vector<double> sorted = widths;
  std::nth_element(sorted.begin(), sorted.begin() + h.nx / 2, sorted.end());
  const double usual = sorted[static_cast<std::size_t>(h.nx / 2)];
  for (int i = 0; i < h.nx; ++i) {
    const double magnitude = std::max(std::fabs(low[i]), std::fabs(high[i]));
    if (std::fabs(widths[i] - usual) > 2e-3 * usual + 8 * FLT_EPSILON * magnitude) {
      throw bad(row(i) + "width " + text(widths[i]) + " (" + text(low[i]) + " to " + text(high[i]) +
                ") breaks the uniform binning of width " + text(usual) + " of the other rows");
    }
  }
  for (int i = 1; i < h.nx; ++i) {
    if (apart(low[i], high[i - 1], usual)) {
      throw bad(row(i) + "low edge " + text(low[i]) + " is not the high edge " + text(high[i - 1]) +
                " of the row before (line " + std::to_string(lines[static_cast<std::size_t>(i - 1)]) +
                "): a row missing or out of order?");
    }
  }
  const double xmin = h.xmin;
  const double width = (static_cast<double>(h.xmax) - xmin) / h.nx;
  auto misplaced = [&](double edge, int i) { return apart(edge, xmin + i * width, width); };
  for (int i = 0; i < h.nx; ++i) {
    if (misplaced(low[i], i)) {
      throw bad(row(i) + "low edge " + text(low[i]) + " breaks the uniform binning (expected " +
                text(xmin + i * width) + ", width " + text(width) + ")");
    }
    if (misplaced(high[i], i + 1)) {
      throw bad(row(i) + "high edge " + text(high[i]) + " breaks the uniform binning (expected " +
                text(xmin + (i + 1) * width) + ", width " + text(width) + ")");
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
  if (std::sscanf(s.c_str(), "%d-%d-%dT%d:%d%c", &d.year, &d.month, &d.day, &d.hour, &d.minute, &extra) != 5 ||
      d.month < 1 || d.month > 12 || d.day < 1 || d.day > 31 || d.hour < 0 || d.hour > 23 || d.minute < 0 ||
      d.minute > 59 || d.year < 1986 || d.year > 2085) {
    throw UsageError{"--date wants YYYY-MM-DDTHH:MM between 1986 and 2085: " + s};
  }
  return d;
}

}  // namespace

int commandMake(const std::vector<std::string>& arguments) {
  std::vector<std::string> args = arguments;
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
  if (args.size() < 4 || (args.size() - 1) % 3 != 0)
    throw UsageError{"make wants OUT and one or more ID TITLE TABLE triples"};
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
  struct stat st {};
  if (lstat(out.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    throw InputError{out + " is " + kindOfFile(st.st_mode) + "; hbook make only ever replaces a regular file"};
  }
  std::vector<const hbook::Histogram*> list;
  for (const hbook::Histogram& h : made) list.push_back(&h);
  if (!hbook::writeFile(out, list, force)) {
    std::cerr << "hbook: " << out << " exists; not overwritten (use --force to replace it)\n";
    return 1;
  }
  return 0;
}

}  // namespace hbooktool
