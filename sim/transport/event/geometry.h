// The beamline a run carries its neutrons through, as plain numbers: the
// start area and cone, the dimensions of every guide, the gaps, the two
// target cells with their helium, the split guide and the last guide.
//
// The event loop owns one (RunState::beamline) and hands its values to the
// routines as arguments; nothing in here reads a file or an option. The
// values of the shipped beamline are SHIPPED_BEAMLINE, made at build time
// from data/beamline.toml (transport/description/ reads descriptions).
// Lengths in cm, critical angles and the cone in rad per Å of wavelength,
// wavelengths in Å, the temperature in K. Every element is centred on the
// beam axis; x > 0 is the right-hand side.
#pragma once

namespace tarn {

// Where the neutrons start (z = 0).
struct StartArea {
  double halfWidth;          // start x uniform in (-halfWidth, halfWidth), cm
  double halfHeight;         // start y uniform in (-halfHeight, halfHeight), cm
  float conePerAngstrom;     // half-opening of the start cone per Å, rad/Å (single precision)
  float shortestWavelength;  // events below it are dropped, Å (single precision)
};

// A straight reflecting guide of rectangular cross-section.
struct GuideSection {
  double length;      // cm
  double halfWidth;   // side walls at x = -halfWidth, +halfWidth, cm
  double halfHeight;  // walls at y = -halfHeight, +halfHeight, cm
  double critFactor;  // critical angle per Å of wavelength, rad/Å
};

// Free flight between elements, cm.
struct Gaps {
  double toUpstreamCell;  // end of the second guide to the upstream cell
  double betweenCells;
  double toSplitGuide;  // downstream cell to the split guide
};

enum class Half { Right, Left };  // x > 0, x < 0

// The two target cells: the same dimensions and helium temperature, each
// with a right half (septumHalfWidth <= x <= halfWidth) and a left half
// (-halfWidth <= x <= -septumHalfWidth); one half of each holds helium.
struct TargetCells {
  double length;           // along the beam, cm
  double halfWidth;        // cm
  double halfHeight;       // both halves span |y| <= halfHeight, cm
  double septumHalfWidth;  // the central strip |x| < septumHalfWidth stops neutrons, cm
  double temperature;      // helium temperature, K
  Half upstreamHelium;
  Half downstreamHelium;
};

// The guide after the cells, split by a central septum into two channels.
struct SplitGuideSection {
  double length;           // cm
  double halfWidth;        // outer walls at |x| = halfWidth, cm
  double halfHeight;       // cm
  double septumHalfWidth;  // septum faces at |x| = septumHalfWidth, cm
  double critFactor;       // rad/Å
};

struct Beamline {
  StartArea source;
  GuideSection guide1, guide2;
  Gaps gaps;
  TargetCells cells;
  SplitGuideSection splitGuide;
  GuideSection lastGuide;  // its exit plane is the detector plane
};

// The shipped beamline (generated from data/beamline.toml).
extern const Beamline SHIPPED_BEAMLINE;

}  // namespace tarn
