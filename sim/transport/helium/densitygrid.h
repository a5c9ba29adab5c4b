// Temperature grid shared by the helium density tables of HEDEN and NDEN:
// 0.2 to 2.6 K in steps of 0.1 K, then 2.8 to 4.4 K in steps of 0.2 K
// (single-precision entries, widened to double where they are compared).
#pragma once

namespace tarn {

constexpr int DENSITY_GRID_POINTS = 34;

constexpr float DENSITY_GRID_T[DENSITY_GRID_POINTS] = {
    0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f, 1.0f, 1.1f, 1.2f, 1.3f,
    1.4f, 1.5f, 1.6f, 1.7f, 1.8f, 1.9f, 2.0f, 2.1f, 2.2f, 2.3f, 2.4f, 2.5f,
    2.6f, 2.8f, 3.0f, 3.2f, 3.4f, 3.6f, 3.8f, 4.0f, 4.2f, 4.4f};

}  // namespace tarn
