// The histogram catalogue of a run: the input histograms it reads and the
// working copies it makes (named ids), and the 44 result histograms it books
// and fills (named ids and the booking table, in catalogue order).
//
// The one source of these facts: the event loop fills by these names, the
// run books from this table, the tests compare the run's files with it, and
// the report page's catalogue (python/tarnreport/catalogue.py) and
// docs/histograms.md are checked against it (tests/python/test_catalogue.py).
#pragma once

#include <cstdint>
#include <vector>

#include "transport/event/geometry.h"

namespace tarn {
namespace hid {

// Inputs, read from the input files, and the working copies of S(q).
constexpr std::int32_t SPECTRUM = 100;      // lam.hbook: the wavelength spectrum (Å) each event draws from
constexpr std::int32_t X_GRADIENT_1 = 151;  // gradx.hbook: field gradient placeholders, not used
constexpr std::int32_t X_GRADIENT_2 = 152;
constexpr std::int32_t SQ = 301;            // sq.hbook: S(q), 90 bins of 0.04 1/Å from 0
constexpr std::int32_t SQ_COPY_UP = 302;    // the copy of S(q) the upstream transfer is drawn from
constexpr std::int32_t SQ_COPY_DOWN = 402;  // ... and the downstream one

// Results.
constexpr std::int32_t X_START = 1;               // x at the start plane z = 0
constexpr std::int32_t X_GUIDE_EXIT = 2;          // x at the GUIDE exit
constexpr std::int32_t X_INCOIL_EXIT = 3;         // x at the INCOIL exit
constexpr std::int32_t X_UP_ENTRANCE = 4;         // x at the upstream cell entrance
constexpr std::int32_t X_OUTCOIL_EXIT = 5;        // x at the OUTCOIL exit
constexpr std::int32_t X_DETECTOR_PLANE = 6;      // x at the detector plane (the fills of DET_X)
constexpr std::int32_t Y_STRAIGHT_116 = 7;        // y the start direction reaches at 116 cm, without the guide
constexpr std::int32_t X_STRAIGHT_116 = 8;        // x the start direction reaches at 116 cm, without the guide
constexpr std::int32_t X_UP_EXIT = 1001;          // x at the upstream cell exit
constexpr std::int32_t Y_UP_EXIT = 1002;          // y at the upstream cell exit
constexpr std::int32_t X_DOWN_EXIT = 2001;        // x at the downstream cell exit
constexpr std::int32_t Y_DOWN_EXIT = 2002;        // y at the downstream cell exit
constexpr std::int32_t DET_X = 3001;              // x at the detector
constexpr std::int32_t DET_Y = 3002;              // y at the detector
constexpr std::int32_t DET_THX = 3003;            // thx at the detector, rad
constexpr std::int32_t DET_THY = 3004;            // thy at the detector, rad
constexpr std::int32_t DET_E = 3005;              // energy at the detector
constexpr std::int32_t PATH_BOTH = 3006;          // path through both cells
constexpr std::int32_t ROTATION_BOTH = 3007;      // spin rotation through both cells
constexpr std::int32_t PATH_RIGHT = 3008;         // path, right side all the way
constexpr std::int32_t ROTATION_RIGHT = 3009;     // rotation, right side
constexpr std::int32_t PATH_LEFT = 3010;          // path, left side all the way
constexpr std::int32_t ROTATION_LEFT = 3011;      // rotation, left side
constexpr std::int32_t DET_E_RIGHT = 3012;        // energy at the detector, right side
constexpr std::int32_t DET_E_LEFT = 3013;         // energy at the detector, left side
constexpr std::int32_t DET_E_SCATTERED = 3014;    // energy at the detector, scattered in a cell
constexpr std::int32_t DET_LAMBDA = 4005;         // wavelength at the detector
constexpr std::int32_t SIGMA = 4010;              // TARGET sigma, both cells
constexpr std::int32_t FREE_PATH = 4011;          // TARGET path, both cells
constexpr std::int32_t THETA_S_UP = 4012;         // TARGET thetaS, upstream cell
constexpr std::int32_t SIGMA_SOMMERS = 4013;      // TARGET sigmaSommers, both cells
constexpr std::int32_t SIGMA_SQ = 4014;           // TARGET sigmaIntq, both cells
constexpr std::int32_t THETA_P_UP = 4015;         // TARGET theta_p, upstream cell
constexpr std::int32_t PHI_P_UP = 4016;           // TARGET phi_p, upstream cell
constexpr std::int32_t THETA_0 = 4017;            // polar angle of the start direction
constexpr std::int32_t THETA_S_DOWN = 5012;       // TARGET thetaS, downstream cell
constexpr std::int32_t THETA_P_DOWN = 5015;       // TARGET theta_p, downstream cell
constexpr std::int32_t PHI_P_DOWN = 5016;         // TARGET phi_p, downstream cell
constexpr std::int32_t THX_UP_ENTRANCE = 5017;    // thx entering the upstream cell
constexpr std::int32_t THY_UP_ENTRANCE = 5018;    // thy entering the upstream cell
constexpr std::int32_t THX_DOWN_ENTRANCE = 5019;  // thx entering the downstream cell
constexpr std::int32_t THY_DOWN_ENTRANCE = 5020;  // thy entering the downstream cell
constexpr std::int32_t PHI_UP_ENTRANCE = 5021;    // atan(tan thy / tan thx) entering the upstream cell
constexpr std::int32_t PHI_DOWN_ENTRANCE = 5022;  // the same entering the downstream cell

// Results on request (tarn --ntuple): the detected neutrons one by one, and
// two 2-D results of every detected neutron.
constexpr std::int32_t DETECTED_NTUPLE = 3100;     // column-wise ntuple of the detected (or scattered) neutrons
constexpr std::int32_t ROTATION_VS_LAMBDA = 3101;  // spin rotation through both cells against the wavelength at the detector
constexpr std::int32_t DET_IMAGE_RIGHT = 3102;     // y against x at the detector, right side all the way
constexpr std::int32_t DET_IMAGE_LEFT = 3103;      // y against x at the detector, left side all the way

}  // namespace hid

// One booking: HBOOK1(id, title, bins, lower, upper, 0). Edges are
// single-precision values; every histogram has unpacked contents (VMX 0).
// `label` says what x is, with its unit, for plots (the title is the one
// booked, kept as it has always been written).
struct Booking {
  std::int32_t id;
  const char* title;
  std::int32_t bins;
  float lower;
  float upper;
  const char* label;
};

// The 44 result histograms in booking order. "x (cm) Up" is shared by ids
// 1-6 and 8, which hold x at different points along the beamline; "DeB" in
// 3006 is the title as booked.
// clang-format off
inline constexpr Booking RESULT_HISTOGRAMS[] = {
    {hid::X_UP_EXIT, "x (cm) Up", 100, -3.5f, 3.5f, "x at the upstream cell exit (cm)"},
    {hid::X_START, "x (cm) Up", 100, -3.5f, 3.5f, "x at the start, z = 0 (cm)"},
    {hid::X_GUIDE_EXIT, "x (cm) Up", 100, -3.5f, 3.5f, "x at the guide exit (cm)"},
    {hid::X_INCOIL_EXIT, "x (cm) Up", 100, -3.5f, 3.5f, "x at the inlet coil guide exit (cm)"},
    {hid::X_UP_ENTRANCE, "x (cm) Up", 100, -3.5f, 3.5f, "x at the upstream cell entrance (cm)"},
    {hid::X_OUTCOIL_EXIT, "x (cm) Up", 100, -3.5f, 3.5f, "x at the split-guide exit (cm)"},
    {hid::X_DETECTOR_PLANE, "x (cm) Up", 100, -3.5f, 3.5f, "x at the detector plane (cm)"},
    {hid::X_STRAIGHT_116, "x (cm) Up", 100, -3.5f, 3.5f, "x reached at 116 cm without the guide (cm)"},
    {hid::Y_STRAIGHT_116, "y (cm) Up", 100, -3.0f, 3.0f, "y reached at 116 cm without the guide (cm)"},
    {hid::Y_UP_EXIT, "y (cm) Up", 100, -3.0f, 3.0f, "y at the upstream cell exit (cm)"},
    {hid::X_DOWN_EXIT, "x (cm) Dn", 100, -3.5f, 3.5f, "x at the downstream cell exit (cm)"},
    {hid::Y_DOWN_EXIT, "y (cm) Dn", 100, -3.0f, 3.0f, "y at the downstream cell exit (cm)"},
    {hid::DET_X, "x (cm) Det", 100, -3.5f, 3.5f, "x at the detector (cm)"},
    {hid::DET_Y, "y (cm) Det", 100, -3.0f, 3.0f, "y at the detector (cm)"},
    {hid::DET_THX, "thx (mrad) Det", 200, 0.0f, 0.1f, "θx at the detector (rad)"},
    {hid::DET_THY, "thy (mrad) Det", 200, 0.0f, 0.1f, "θy at the detector (rad)"},
    {hid::DET_E, "E (meV) DetB", 1000, 0.0f, 40.0f, "energy at the detector (meV)"},
    {hid::DET_LAMBDA, "Lambda (Angs) DetB", 1000, 0.0f, 20.0f, "wavelength at the detector (Å)"},
    {hid::PATH_BOTH, "Path length (cm) DeB", 200, 83.15f, 83.25f, "path length through both cells (cm)"},
    {hid::ROTATION_BOTH, "th_rotation (mrad) DetB", 200, 0.0f, 1000.0f, "spin rotation through both cells (mrad)"},
    {hid::PATH_RIGHT, "Path length (cm) DetR", 200, 83.15f, 83.25f, "path length through both cells, right side (cm)"},
    {hid::ROTATION_RIGHT, "th_rotation (mrad) DetR", 200, 0.0f, 1000.0f, "spin rotation through both cells, right side (mrad)"},
    {hid::PATH_LEFT, "Path length (cm) DetL", 200, 83.15f, 83.25f, "path length through both cells, left side (cm)"},
    {hid::ROTATION_LEFT, "th_rotation (mrad) DetL", 200, 0.0f, 1000.0f, "spin rotation through both cells, left side (mrad)"},
    {hid::DET_E_RIGHT, "E (meV) DetR", 200, 0.0f, 40.0f, "energy at the detector, right side (meV)"},
    {hid::DET_E_LEFT, "E (meV) DetL", 200, 0.0f, 40.0f, "energy at the detector, left side (meV)"},
    {hid::DET_E_SCATTERED, "E (meV)/ scat DetB", 200, 0.0f, 40.0f, "energy at the detector of scattered neutrons (meV)"},
    {hid::SIGMA, "sig tot (b/atom)", 200, 0.0f, 1.0f, "total cross-section per atom (b)"},
    {hid::FREE_PATH, "interaction len (cm)", 200, 0.0f, 2000.0f, "sampled free path (cm)"},
    {hid::THETA_S_UP, "theta scattered (deg) U", 200, 0.0f, 180.0f, "scattering angle in the upstream cell (deg)"},
    {hid::SIGMA_SOMMERS, "sig Sommers (b/atom)", 200, 0.0f, 1.0f, "tabulated cross-section per atom (b)"},
    {hid::SIGMA_SQ, "sig Sq (b/atom)", 200, 0.0f, 1.0f, "cross-section per atom from S(q) (b)"},
    {hid::THETA_P_UP, "theta-p (deg) U", 200, 0.0f, 180.0f, "polar angle after the upstream cell (deg)"},
    {hid::PHI_P_UP, "phi-p (deg) U", 200, 0.0f, 360.0f, "azimuth after the upstream cell (deg)"},
    {hid::THETA_0, "th-0 (deg)", 200, 0.0f, 10.0f, "polar angle at the start (deg)"},
    {hid::THETA_S_DOWN, "theta scattered (deg) D", 200, 0.0f, 180.0f, "scattering angle in the downstream cell (deg)"},
    {hid::THETA_P_DOWN, "theta-p (deg) D", 200, 0.0f, 180.0f, "polar angle after the downstream cell (deg)"},
    {hid::PHI_P_DOWN, "phi-p (deg) D", 200, 0.0f, 360.0f, "azimuth after the downstream cell (deg)"},
    {hid::THX_UP_ENTRANCE, "theta-x (deg) U", 200, -5.0f, 5.0f, "θx at the upstream cell entrance (deg)"},
    {hid::THY_UP_ENTRANCE, "theta-y (deg) U", 200, -5.0f, 5.0f, "θy at the upstream cell entrance (deg)"},
    {hid::THX_DOWN_ENTRANCE, "theta-x (deg) D", 200, -5.0f, 5.0f, "θx at the downstream cell entrance (deg)"},
    {hid::THY_DOWN_ENTRANCE, "theta-y (deg) D", 200, -5.0f, 5.0f, "θy at the downstream cell entrance (deg)"},
    {hid::PHI_UP_ENTRANCE, "phi (deg) U", 200, 0.0f, 360.0f, "azimuth at the upstream cell entrance (deg)"},
    {hid::PHI_DOWN_ENTRANCE, "phi (deg) D", 200, 0.0f, 360.0f, "azimuth at the downstream cell entrance (deg)"},
};
// clang-format on

// One 2-D booking: HBOOK2(id, title, nx, xmin, xmax, ny, ymin, ymax, 0),
// with what x and y are, with their units, for plots.
struct Booking2D {
  std::int32_t id;
  const char* title;
  std::int32_t nx;
  float xmin, xmax;
  std::int32_t ny;
  float ymin, ymax;
  const char* xlabel;
  const char* ylabel;
};

// The 2-D results of a run with --ntuple, in the order they are written
// (after the 1-D results, before the ntuple).
// clang-format off
inline constexpr Booking2D RESULTS_2D[] = {
    {hid::ROTATION_VS_LAMBDA, "th_rot vs Lambda DetB", 100, 0.0f, 20.0f, 200, 0.0f, 1000.0f,
     "wavelength at the detector (Å)", "spin rotation through both cells (mrad)"},
    {hid::DET_IMAGE_RIGHT, "y vs x (cm) DetR", 70, -3.5f, 3.5f, 60, -3.0f, 3.0f,
     "x at the detector, right side (cm)", "y at the detector, right side (cm)"},
    {hid::DET_IMAGE_LEFT, "y vs x (cm) DetL", 70, -3.5f, 3.5f, 60, -3.0f, 3.0f,
     "x at the detector, left side (cm)", "y at the detector, left side (cm)"},
};
// clang-format on

// The ntuple's title for each choice of --ntuple.
inline constexpr const char* DETECTED_NTUPLE_TITLE = "Detected neutrons";
inline constexpr const char* SCATTERED_NTUPLE_TITLE = "Scattered neutrons at the detector";

// What x (and the contents) of the inputs and working copies are, for plots.
struct InputLabel {
  std::int32_t id;
  const char* label;     // x
  const char* contents;  // what a bin holds
};
inline constexpr InputLabel INPUT_LABELS[] = {
    {hid::SPECTRUM, "wavelength (Å)", "fraction per bin"},
    {hid::SQ, "q (1/Å)", "S(q)"},
    {hid::SQ_COPY_UP, "q (1/Å)", "running sum of S(q)"},
    {hid::SQ_COPY_DOWN, "q (1/Å)", "running sum of S(q)"},
};

// Histograms the event loop changes besides the results: the spectrum,
// whose contents the sampler HRNDM1 integrates in place at its first draw,
// and the working copies of S(q), made anew in each event.
inline constexpr std::int32_t SAMPLED_INPUTS[] = {hid::SPECTRUM};
inline constexpr std::int32_t WORKING_COPIES[] = {hid::SQ_COPY_UP, hid::SQ_COPY_DOWN};
constexpr bool isWorkingCopy(std::int32_t id) { return id == hid::SQ_COPY_UP || id == hid::SQ_COPY_DOWN; }

// The path-length histograms (PATH_BOTH, PATH_RIGHT, PATH_LEFT) span the
// straight passage through both cells, 2 x the cell length, +- this (cm):
// 83.15 to 83.25 for 41.6 cm cells, the edges of the table above.
constexpr double PATH_HALF_SPAN = 0.05;

// Book the 44 result histograms, in catalogue order, the path lengths for
// the cells of `beamline`.
void bookResultHistograms(const Beamline& beamline = SHIPPED_BEAMLINE);

// The ids of the result histograms, in booking order.
const std::vector<std::int32_t>& resultHistogramIds();

}  // namespace tarn
