#include "summaryjson.h"

#include <cmath>
#include <cstdio>

#include "textout/freeformat.h"
#include "transport/run/figureerrors.h"

namespace tarnsummary {
namespace {

std::string quoted(const std::string& s) {
  std::string out = "\"";
  for (const unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7f) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04x", c);  // a log's bytes, one character each
      out += buffer;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

// A double that reads back to the same bits; JSON has no NaN: null.
std::string number(double v) {
  if (!std::isfinite(v)) return "null";
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.17g", v);
  return buffer;
}

std::string integer(std::int64_t v) { return std::to_string(v); }

}  // namespace

std::string summaryJson(const std::vector<tarn::RunRecord>& runs, const tarn::RunTotals& total,
                        const std::vector<std::string>& notes) {
  std::string out = "{\n  \"runs\": [";
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const tarn::RunRecord& r = runs[i];
    out += std::string(i ? "," : "") + "\n    {\"log\": " + quoted(r.log) + ", \"seed\": " + integer(r.seed) +
           ", \"events\": " + integer(r.totals.nEvents) + ", \"blocks\": " + quoted(r.run.blocks().text()) +
           ", \"ranks\": " + integer(r.ranks) + ", \"exact_counts_line\": " + (r.exactLine ? "true" : "false") + "}";
  }
  const tarn::Counters& c = total.counters;
  out += "\n  ],\n  \"counts\": {\"nEvents\": " + integer(total.nEvents) + ", \"nTar1In\": " + integer(c.nTar1In) +
         ", \"nScatTar1\": " + integer(c.nScatTar1) + ", \"nTar2In\": " + integer(c.nTar2In) +
         ", \"nScatTar2\": " + integer(c.nScatTar2) + ", \"nLowEnergy\": " + integer(c.nLowEnergy) +
         ", \"nTar1ToTar2\": " + integer(c.nTar1ToTar2) + ", \"nDetIn\": " + integer(c.nDetIn) +
         ", \"nScatAtDet\": " + integer(c.nScatAtDet) + ", \"nDetEChanged\": " + integer(c.nDetEChanged) +
         ", \"nNoTransfer\": " + integer(total.nNoTransfer) + "},\n  \"interval\": " + quoted(tarn::INTERVAL_KIND) +
         ",\n  \"small_count\": " + integer(tarn::SMALL_COUNT) + ",\n  \"figures\": [";
  for (int i = 0; i < tarn::FIGURES; ++i) {
    const tarn::FigureEstimate e = tarn::figureEstimate(total, i);
    const textout::Line shown = tarn::figureLines(total, false)[static_cast<std::size_t>(i)];
    std::string printed = shown.str().substr(std::string(tarn::FIGURE_TABLE[i].consoleText).size() + 1);
    printed = printed.substr(printed.find_first_not_of(' '));
    printed = printed.substr(0, printed.find_last_not_of(' ') + 1);
    out += std::string(i ? "," : "") + "\n    {\"label\": " + quoted(e.label) + ", \"printed\": " + quoted(printed) +
           ", \"count\": " + (e.count ? "true" : "false") + ", \"k\": " + integer(e.estimate.k) +
           ", \"n\": " + integer(e.estimate.n) + ", \"denominator\": " + quoted(e.denominator) +
           ", \"value\": " + number(e.value) + ", \"error\": " + number(e.error) +
           ", \"small\": " + (e.estimate.small ? "true" : "false") + ", \"low\": " + number(e.low) +
           ", \"high\": " + number(e.high) + ", \"text\": " + quoted(e.text) + ", \"detail\": " + quoted(e.detail) +
           "}";
  }
  out += "\n  ],\n  \"notes\": [";
  for (std::size_t i = 0; i < notes.size(); ++i) out += std::string(i ? ", " : "") + quoted(notes[i]);
  return out + "]\n}\n";
}

}  // namespace tarnsummary
