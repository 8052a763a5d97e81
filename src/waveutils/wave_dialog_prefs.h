// The stored settings of the wave-utility dialogs.
//
// The host keeps one preferences record for the module.  These dialogs
// share a record of 2328 bytes whose 16-bit version word at offset 0 is 8;
// each dialog owns a block of it that begins with a 16-bit block version of
// its own, and a dialog restores its block only when both versions match.
// Saving rewrites only the dialog's own block, so the blocks of the other
// dialogs (and whatever else lies in the record) stay as they were; a
// stored record of another version or size is not this layout, and a fresh
// one replaces it.  Numbers are little-endian.
//
//   offset  AutoStats (block version 3 at 2)
//     4     6 bytes: check boxes 10, 11, 14, 15, 16, 17 (0 or 1)
//    10     260 bytes: base name, zero-terminated
//   offset  Plot Waves (block version 2 at 270)
//   272     7 bytes: check boxes 10, 11, 15, 18, 17, 16, then the y range
//           choice 1 to 3
//   282     double: "at" level; 290 double: minimum; 298 double: maximum
//           (0 when the field does not hold a number)
//   offset  Slim Waves (block version 1 at 306)
//   309     1 byte: the thinning choice 1 to 3
//   312     int32: "Use every" factor; 316 int32: "Average" factor (0 when
//           not a whole number)
//   320     suffix, zero-terminated (at most 259 characters)
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kwt {

inline constexpr size_t kDialogSettingsSize = 2328;
inline constexpr uint16_t kDialogSettingsVersion = 8;

// The AutoStats block.
struct AutoStatsSettings {
  bool table = false, graph = false, scale = false, append = false, perWave = false,
       minMax = false;
  std::string baseName;
};

// The Plot Waves block.
struct PlotWavesSettings {
  bool table = false, graph = false, colours = false, zeroLine = false, baseLine = false,
       overlay = false;
  uint8_t extrema = 2;  // 1 global, 2 individual, 3 manual
  double zeroLevel = 0.0, minimum = 0.0, maximum = 0.0;
};

// The Slim Waves block.
struct SlimWavesSettings {
  uint8_t mode = 2;  // 1 use every, 2 average, 3 reference ("XChart Mode")
  int32_t useEvery = 0, average = 0;
  std::string suffix;
};

class DialogSettingsRecord {
 public:
  // The stored record when it has this layout's size and version; a fresh
  // zero-filled record with the version otherwise (also when the host has
  // none or cannot read it).
  static DialogSettingsRecord Load();

  // Read a block; false (and *out untouched) when its block version does
  // not match.
  bool Read(AutoStatsSettings* out) const;
  bool Read(PlotWavesSettings* out) const;
  bool Read(SlimWavesSettings* out) const;
  // Write a block with its block version.  A text too long for its field
  // is not stored; the field keeps what it held.
  void Write(const AutoStatsSettings& in);
  void Write(const PlotWavesSettings& in);
  void Write(const SlimWavesSettings& in);

  // Stores the record; returns the host's code.
  int32_t Save() const;

  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  DialogSettingsRecord();
  uint64_t Get(size_t offset, size_t width) const;
  void Put(size_t offset, size_t width, uint64_t value);
  double Double(size_t offset) const;
  void PutDouble(size_t offset, double value);
  std::string Text(size_t offset, size_t capacity) const;
  void PutText(size_t offset, size_t capacity, const std::string& text);

  std::vector<uint8_t> bytes_;
};

// A double in a field, as the dialog stores it: the field's number when it
// holds one and nothing else (blanks aside), else 0.
double StoredNumber(const std::string& text);

}  // namespace kwt
