// What the file browser remembers: the state of one opening (the chosen
// file, the popup entries, the preview view, the Stimuli filter and the
// options) and its stored form in the module's preferences record.
//
// The stored record is 3352 bytes, little-endian, known by its record
// version 10 at offset 0 and its block version 9 at offset 352.  Only the
// fields below are written; the rest of the record stays zero.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kwt {

// The file formats the browser reads.
enum class BrowserFormat : int32_t { kNone = 0, kPulse = 1, kPatchMaster = 2 };

// Option bits, with the values of the load flags where a flag exists.
inline constexpr uint32_t kBrowseLeak = 0x2;
inline constexpr uint32_t kBrowseSecond = 0x4;
inline constexpr uint32_t kBrowseLockIn = 0x8;
inline constexpr uint32_t kBrowseFura = 0x10;
inline constexpr uint32_t kBrowseStimulus = 0x20;
inline constexpr uint32_t kBrowseAbsoluteTime = 0x40;
inline constexpr uint32_t kBrowseOverwrite = 0x80;
inline constexpr uint32_t kBrowsePlot = 0x100;
inline constexpr uint32_t kBrowseFastPopups = 0x200;
inline constexpr uint32_t kBrowseInclude = 0x400;
inline constexpr uint32_t kBrowseExclude = 0x800;
inline constexpr uint32_t kBrowseQuiet = 0x1000;
inline constexpr uint32_t kBrowseZeroData = 0x2000;

// The preview's view: offsets as fractions of the area, scales as factors.
struct PreviewView {
  float xOffset = 0.0f;
  float xScale = 1.0f;
  float yOffset = 0.0f;
  float yScale = 1.0f;
  bool operator==(const PreviewView&) const = default;
};

// One trace of the preview list (trace 0 for a Pulse sweep).
struct PreviewEntry {
  int32_t group = 0, series = 0, sweep = 0, trace = 0;
  bool operator==(const PreviewEntry&) const = default;
};

// The most Stimuli rows whose selection is stored.
inline constexpr size_t kStoredStimuli = 256;

struct BrowserSettings {
  uint32_t options = 0;
  std::string baseName;
  std::string path;
  // Popup entries: 1 is "_all_", entry k stands for number k - 1.
  int32_t groupEntry = 1, seriesEntry = 1, sweepEntry = 1, traceEntry = 1;
  int32_t range = 0;  // the Range field as a number, 0 when it holds none
  bool overlay = false;
  std::vector<int32_t> stimuliRows;  // 1-based, rising, at most kStoredStimuli
};

// The stored settings; the defaults (all zero, no file) when the host has
// no record, or one of another size or version.
BrowserSettings LoadBrowserSettings();
// Stores the settings as the module's record; returns the host's code.  A
// base name or path of 260 characters or more is not stored.
int32_t SaveBrowserSettings(const BrowserSettings& settings);

}  // namespace kwt
