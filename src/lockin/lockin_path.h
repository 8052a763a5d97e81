// The two ways into the LockIn.  The Pulse loader and the PatchMaster loader
// both run the same computation, but each file format codes its segment
// classes differently, and the PatchMaster side has always computed with
// short decimal forms of pi and its relatives.  Results that users compare
// with earlier analyses depend on those digits, so each path keeps its own.
#pragma once

#include <cstdint>
#include <numbers>

namespace kwt {

enum class LockInPath { kPulse, kPatchMaster };

// The constants one path computes with.
struct LockInConstants {
  double pi;
  double twoPi;
  double radToDeg;     // 180 / pi
  double twoRadToDeg;  // 360 / pi
};

inline constexpr LockInConstants kPulseLockInConstants{
    std::numbers::pi, 2.0 * std::numbers::pi, 180.0 / std::numbers::pi,
    360.0 / std::numbers::pi};
inline constexpr LockInConstants kPatchMasterLockInConstants{3.14159265, 6.2831853,
                                                            57.29578, 114.59156};

// Degrees to radians, the same on both paths.
inline constexpr double kLockInDegToRad = 0.017453292519943;

// Segment classes that the LockIn evaluates, as each format stores them.
inline constexpr int32_t kPulseSineClass = 4;
inline constexpr int32_t kPulseSquareClass = 5;
inline constexpr int32_t kPatchMasterSineClass = 3;
inline constexpr int32_t kPatchMasterSquareClass = 4;

// The constants of a path.
constexpr const LockInConstants& LockInConstantsFor(LockInPath path) {
  return path == LockInPath::kPulse ? kPulseLockInConstants : kPatchMasterLockInConstants;
}

// True when `segmentClass` is the path's sine (constant sine) class.
constexpr bool IsLockInSine(LockInPath path, int32_t segmentClass) {
  return segmentClass ==
         (path == LockInPath::kPulse ? kPulseSineClass : kPatchMasterSineClass);
}

// True when `segmentClass` is the path's square-wave class.
constexpr bool IsLockInSquare(LockInPath path, int32_t segmentClass) {
  return segmentClass ==
         (path == LockInPath::kPulse ? kPulseSquareClass : kPatchMasterSquareClass);
}

}  // namespace kwt
