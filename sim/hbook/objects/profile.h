// A 1-D profile histogram (HBPROF): per bin the sums of w*y, w*y^2 and w,
// from which HBOOK derives the mean and its error.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hbook {

struct Profile {
  std::int32_t id = 0;
  std::string title;            // trailing blanks removed
  std::uint32_t kbits = 0x181;  // header word 1: bits 1 (1-D) and 8 (profile)
  std::int32_t nx = 0;
  float xmin = 0.0f;
  float xmax = 0.0f;
  float ymin = 0.0f;  // y range given to HBPROF (header words 7, 8)
  float ymax = 0.0f;
  std::int32_t entries = 0;  // fill calls, including those outside the x range
  // Error option: status bits 1-2 of the w*y^2 bank (0 ' ', 1 'S', 2 'I'); bit 3 'P'.
  std::uint32_t errorStatus = 0;
  // Sum of w*y per channel 0..nx+1; channels 0 and nx+1 hold what fills
  // outside the x range left there, as stored.
  std::vector<float> sumWY;
  // Bins 1..nx at [bin - 1]: the sum of w*y^2, or with option P the sum of
  // squared deviations from the running mean (the package's HI1E either way).
  std::vector<float> sumWY2;
  std::vector<float> sumW;  // bins 1..nx at [bin - 1]

  // What HBOOK's HI and HIE return for bin 1..nx.
  float mean(int bin) const;
  float error(int bin) const;
  // The option as given to HBPROF: " ", "S", "I", "P", "SP", "IP".
  std::string errorOption() const;
};

}  // namespace hbook
