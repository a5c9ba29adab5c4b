// catalogue-codegen JSON: at build time, the histogram catalogue of a run as
// JSON for the Python package (tarnreport.catalogue: axis labels of plots,
// recognising a run's histograms by id, title and bins).
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "transport/event/catalogue.h"

namespace {

std::string quoted(const char* s) {
  std::string out = "\"";
  for (const char* p = s; *p; ++p) {
    if (*p == '"' || *p == '\\') out += '\\';
    out += *p;
  }
  return out + "\"";
}

// The shortest decimal text that reads back to the same float.
std::string shortest(float v) {
  char buffer[32];
  for (int digits = 1; digits <= 9; ++digits) {
    std::snprintf(buffer, sizeof buffer, "%.*g", digits, static_cast<double>(v));
    if (std::stof(buffer) == v) break;
  }
  return buffer;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: catalogue-codegen JSON\n";
    return 2;
  }
  std::ofstream json(argv[1]);
  json << "{\"source\": \"sim/transport/event/catalogue.h\",\n \"results\": [";
  bool first = true;
  for (const tarn::Booking& b : tarn::RESULT_HISTOGRAMS) {
    json << (first ? "\n" : ",\n") << "  {\"id\": " << b.id << ", \"title\": " << quoted(b.title)
         << ", \"bins\": " << b.bins << ", \"lower\": " << shortest(b.lower) << ", \"upper\": " << shortest(b.upper)
         << ", \"label\": " << quoted(b.label) << "}";
    first = false;
  }
  json << "],\n \"results_2d\": [";
  first = true;
  for (const tarn::Booking2D& b : tarn::RESULTS_2D) {
    json << (first ? "\n" : ",\n") << "  {\"id\": " << b.id << ", \"title\": " << quoted(b.title)
         << ", \"nx\": " << b.nx << ", \"xmin\": " << shortest(b.xmin) << ", \"xmax\": " << shortest(b.xmax)
         << ", \"ny\": " << b.ny << ", \"ymin\": " << shortest(b.ymin) << ", \"ymax\": " << shortest(b.ymax)
         << ", \"xlabel\": " << quoted(b.xlabel) << ", \"ylabel\": " << quoted(b.ylabel) << "}";
    first = false;
  }
  json << "],\n \"ntuple\": {\"id\": " << tarn::hid::DETECTED_NTUPLE << "},\n \"inputs\": [";
  first = true;
  for (const tarn::InputLabel& i : tarn::INPUT_LABELS) {
    json << (first ? "\n" : ",\n") << "  {\"id\": " << i.id << ", \"label\": " << quoted(i.label)
         << ", \"contents\": " << quoted(i.contents) << "}";
    first = false;
  }
  json << "]}\n";
  return json.good() ? 0 : 1;
}
