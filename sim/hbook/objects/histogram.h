// One 1-D histogram as HBOOK holds it: the header bank (HID1), the contents
// bank (HCO1) and, when errors were requested, the sum-of-weights-squared
// bank (HI1E). The in-memory store and the file layer share this type.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hbook/memory/binstarts.h"
#include "hbook/memory/sampleguide.h"

namespace hbook {

// A new field needs its default in Store::blank (memory/store.cpp) too.
struct Histogram {
  std::int32_t id = 0;
  std::string title;        // trailing blanks removed, as HBOOK1 stores it
  std::int32_t nx = 0;      // number of bins
  float xmin = 0.0f;        // lower edge
  float xmax = 0.0f;        // upper edge
  std::uint32_t kbits = 1;  // HID1 word 1, status bits (bit 1: 1-D histogram)
  float minimum = 0.0f;     // HID1 words 7..9 (HMINIM, HMAXIM, HNORMA), kept for round trips
  float maximum = 0.0f;
  float norm = 0.0f;
  std::int32_t entries = 0;  // fill calls; -1 once HRNDM1 has integrated the contents
  // HCO1 words 3..8: fill statistics, maintained only with the STAT bit; kept for round trips.
  float statSumW = 0.0f;
  float statSumW2 = 0.0f;
  double statSumWX = 0.0;
  double statSumWX2 = 0.0;
  // Channels 0..nx+1: [0] underflow, [1..nx] bins, [nx+1] overflow.
  std::vector<float> channels;
  // Sum of squared weights of bins 1..nx; empty unless the histogram has errors.
  std::vector<float> sumw2;
  // Bin edges 1..nx+1 of a histogram booked with variable bins (HBOOKB): bin
  // i covers [edges[i-1], edges[i]), edges[0] = xmin, edges[nx] = xmax. Empty
  // for equal bins.
  std::vector<float> edges;
  // Bits per channel as stored: 32 for floats, fewer for packed counts
  // (booked with VMX >= 1); the channels hold the counts as floats either way.
  std::int32_t nbit = 32;
  bool readFromFile = false;  // read back by HRGET (ZEBRA status bit 5)
  // The reader's note of how the file marked it: true when its writer had
  // read it from a file (status bit 5 of the stored header bank), as the
  // inputs a program loads and writes back unchanged are marked.
  bool markedAsRead = false;
  // HRNDM1's guide for the bin search in the integrated contents (see
  // sampleguide.h): made when HRNDM1 integrates, dropped by HF1. Code that
  // changes the channels of an integrated histogram directly must drop it.
  SampleGuide sampleGuide;
  // HRNDM1's bin starts (binstarts.h), made when it integrates; they say
  // which limits they are for.
  BinStarts binStarts;

  // (xmax - xmin) / nx in single precision: the width of every bin, or their
  // mean width with variable bins.
  float binWidth() const { return (xmax - xmin) / static_cast<float>(nx); }
  // Low edge of bin 1..nx: edge bin of a variable binning, else
  // xmin + (bin - 1) * width in single precision (xmin itself for bin 1).
  float lowEdge(int bin) const {
    return edges.empty() ? xmin + static_cast<float>(bin - 1) * binWidth()
                         : edges.at(static_cast<std::size_t>(bin - 1));
  }
  // High edge of bin 1..nx: the next bin's low edge, xmax for the last bin.
  float highEdge(int bin) const { return bin == nx ? xmax : lowEdge(bin + 1); }
  float content(int bin) const { return channels.at(bin); }  // 1..nx
  float underflow() const { return channels.front(); }
  float overflow() const { return channels.back(); }
};

}  // namespace hbook
