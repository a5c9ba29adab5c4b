// A 2-D histogram as HBOOK holds it: the header bank (HID2), the cells with
// their under- and overflow ring (HCO2), the sums of squared weights when
// HBAR2 was called (HI2E), and the projections, slices and bands booked
// with it (each a 1-D set of channels).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hbook {

// A projection, slice or band: channels 0 (underflow) .. n+1 (overflow).
struct Projection {
  std::string name;          // PROX, PROY, SLIX01.., SLIY01.., BANX01.., BANY01..
  std::int32_t nbit = 32;    // bits per channel (32: floats)
  std::int32_t entries = 0;  // fill calls
  std::vector<float> channels;
  std::vector<float> sumw2;  // channels 1..n; empty without errors
  float low = 0.0f;          // band limits (bands only): y of an X band, x of a Y band
  float high = 0.0f;

  // Binned like the histogram's x axis (PROX, SLIX, BANX), else like its y axis.
  bool onX() const { return name.size() >= 4 && name[3] == 'X'; }
};

struct Histogram2D {
  std::int32_t id = 0;
  std::string title;        // trailing blanks removed
  std::uint32_t kbits = 2;  // HID2 word 1: bit 2 2-D, bit 3 table, bit 8 projections
  std::int32_t nx = 0;
  float xmin = 0.0f;
  float xmax = 0.0f;
  std::int32_t ny = 0;
  float ymin = 0.0f;
  float ymax = 0.0f;
  float scale = 0.0f;        // HID2 word 11 (HSCALE)
  std::int32_t entries = 0;  // fill calls
  std::int32_t nbit = 32;    // bits per cell (32: floats, fewer: packed counts)
  // Cell (ix, iy), ix = 0 (underflow) .. nx+1 (overflow), iy likewise, at
  // index ix + iy * (nx + 2).
  std::vector<float> cells;
  // Sum of squared weights of cell (ix, iy), 1 <= ix <= nx, 1 <= iy <= ny, at
  // (ix - 1) + (iy - 1) * nx; empty unless HBAR2 was called.
  std::vector<float> sumw2;
  std::vector<Projection> projectionsX;  // PROX, at most one
  std::vector<Projection> projectionsY;  // PROY, at most one
  std::vector<Projection> slicesX;
  std::vector<Projection> slicesY;
  std::vector<Projection> bandsX;  // limits in y, channels over x
  std::vector<Projection> bandsY;  // limits in x, channels over y

  bool table() const { return (kbits & 0x4) != 0; }
  float cell(int ix, int iy) const { return cells.at(static_cast<std::size_t>(ix + iy * (nx + 2))); }
  // sqrt(sum of w^2) when stored, else sqrt(|content|), in single precision (in-range cells).
  float error(int ix, int iy) const;
  // Sum of the in-range cells, as HSUM adds them.
  float sum() const;
};

}  // namespace hbook
