#include "waveutils/wave_dialog_prefs.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "host/host.h"

namespace kwt {
namespace {

// Block versions and where each block and field lies.
constexpr size_t kAutoStatsBlock = 2;
constexpr uint16_t kAutoStatsVersion = 3;
constexpr size_t kAutoStatsChecks = 4;
constexpr size_t kBaseName = 10;
constexpr size_t kBaseNameField = 260;

constexpr size_t kPlotWavesBlock = 270;
constexpr uint16_t kPlotWavesVersion = 2;
constexpr size_t kPlotWavesChecks = 272;
constexpr size_t kPlotWavesExtrema = 278;
constexpr size_t kZeroLevel = 282;
constexpr size_t kMinimum = 290;
constexpr size_t kMaximum = 298;

constexpr size_t kSlimWavesBlock = 306;
constexpr uint16_t kSlimWavesVersion = 1;
constexpr size_t kSlimMode = 309;
constexpr size_t kUseEvery = 312;
constexpr size_t kAverage = 316;
constexpr size_t kSuffix = 320;
constexpr size_t kSuffixField = 260;

}  // namespace

DialogSettingsRecord::DialogSettingsRecord() : bytes_(kDialogSettingsSize, 0) {
  Put(0, 2, kDialogSettingsVersion);
}

DialogSettingsRecord DialogSettingsRecord::Load() {
  DialogSettingsRecord record;
  std::vector<uint8_t> stored;
  // The size is compared first: every offset below then lies inside.
  if (HostGetPrefs(&stored) == 0 && stored.size() == kDialogSettingsSize &&
      (stored[0] | stored[1] << 8) == kDialogSettingsVersion)
    record.bytes_ = std::move(stored);
  return record;
}

int32_t DialogSettingsRecord::Save() const { return HostSavePrefs(bytes_); }

// Little-endian, byte by byte; every offset used is a constant inside the
// record.
uint64_t DialogSettingsRecord::Get(size_t offset, size_t width) const {
  uint64_t v = 0;
  for (size_t i = 0; i < width; ++i) v |= uint64_t{bytes_[offset + i]} << (8 * i);
  return v;
}

void DialogSettingsRecord::Put(size_t offset, size_t width, uint64_t value) {
  for (size_t i = 0; i < width; ++i) bytes_[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

// A double that is not finite (a damaged record) reads as 0, which the
// dialogs take as "nothing stored".
double DialogSettingsRecord::Double(size_t offset) const {
  const uint64_t bits = Get(offset, 8);
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return std::isfinite(v) ? v : 0.0;
}

void DialogSettingsRecord::PutDouble(size_t offset, double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  Put(offset, 8, bits);
}

// Up to the terminating zero, never past the field: a damaged record may
// hold none.
std::string DialogSettingsRecord::Text(size_t offset, size_t capacity) const {
  std::string text;
  for (size_t i = 0; i < capacity && bytes_[offset + i] != 0; ++i)
    text.push_back(static_cast<char>(bytes_[offset + i]));
  return text;
}

void DialogSettingsRecord::PutText(size_t offset, size_t capacity, const std::string& text) {
  if (text.size() >= capacity) return;  // with its zero it would not fit
  std::memset(&bytes_[offset], 0, capacity);
  std::memcpy(&bytes_[offset], text.data(), text.size());
}

bool DialogSettingsRecord::Read(AutoStatsSettings* out) const {
  if (Get(kAutoStatsBlock, 2) != kAutoStatsVersion) return false;
  bool* checks[] = {&out->table, &out->graph, &out->scale, &out->append, &out->perWave,
                    &out->minMax};
  for (size_t i = 0; i < 6; ++i) *checks[i] = bytes_[kAutoStatsChecks + i] != 0;
  out->baseName = Text(kBaseName, kBaseNameField);
  return true;
}

void DialogSettingsRecord::Write(const AutoStatsSettings& in) {
  Put(kAutoStatsBlock, 2, kAutoStatsVersion);
  const bool checks[] = {in.table, in.graph, in.scale, in.append, in.perWave, in.minMax};
  for (size_t i = 0; i < 6; ++i) bytes_[kAutoStatsChecks + i] = checks[i] ? 1 : 0;
  PutText(kBaseName, kBaseNameField, in.baseName);
}

bool DialogSettingsRecord::Read(PlotWavesSettings* out) const {
  if (Get(kPlotWavesBlock, 2) != kPlotWavesVersion) return false;
  bool* checks[] = {&out->table, &out->graph, &out->colours, &out->zeroLine, &out->baseLine,
                    &out->overlay};
  for (size_t i = 0; i < 6; ++i) *checks[i] = bytes_[kPlotWavesChecks + i] != 0;
  const uint8_t extrema = bytes_[kPlotWavesExtrema];
  if (extrema >= 1 && extrema <= 3) out->extrema = extrema;
  out->zeroLevel = Double(kZeroLevel);
  out->minimum = Double(kMinimum);
  out->maximum = Double(kMaximum);
  return true;
}

void DialogSettingsRecord::Write(const PlotWavesSettings& in) {
  Put(kPlotWavesBlock, 2, kPlotWavesVersion);
  const bool checks[] = {in.table, in.graph, in.colours, in.zeroLine, in.baseLine, in.overlay};
  for (size_t i = 0; i < 6; ++i) bytes_[kPlotWavesChecks + i] = checks[i] ? 1 : 0;
  bytes_[kPlotWavesExtrema] = in.extrema;
  PutDouble(kZeroLevel, in.zeroLevel);
  PutDouble(kMinimum, in.minimum);
  PutDouble(kMaximum, in.maximum);
}

bool DialogSettingsRecord::Read(SlimWavesSettings* out) const {
  if (Get(kSlimWavesBlock, 2) != kSlimWavesVersion) return false;
  const uint8_t mode = bytes_[kSlimMode];
  if (mode >= 1 && mode <= 3) out->mode = mode;
  out->useEvery = static_cast<int32_t>(static_cast<uint32_t>(Get(kUseEvery, 4)));
  out->average = static_cast<int32_t>(static_cast<uint32_t>(Get(kAverage, 4)));
  out->suffix = Text(kSuffix, kSuffixField);
  return true;
}

void DialogSettingsRecord::Write(const SlimWavesSettings& in) {
  Put(kSlimWavesBlock, 2, kSlimWavesVersion);
  bytes_[kSlimMode] = in.mode;
  Put(kUseEvery, 4, static_cast<uint32_t>(in.useEvery));
  Put(kAverage, 4, static_cast<uint32_t>(in.average));
  PutText(kSuffix, kSuffixField, in.suffix);
}

double StoredNumber(const std::string& text) {
  const char* begin = text.c_str();
  char* end = nullptr;
  const double v = std::strtod(begin, &end);
  if (end == begin) return 0.0;
  while (*end == ' ') ++end;
  // Text behind the number, or the end of the field's text not reached (a
  // NUL inside it), means the field holds no number.
  if (*end != '\0' || static_cast<size_t>(end - begin) != text.size()) return 0.0;
  return std::isfinite(v) ? v : 0.0;
}

}  // namespace kwt
