#include "browser/browser_state.h"

#include <algorithm>

#include "calculators/settings_record.h"

namespace kwt {
namespace {

// The record is known by its size, the version word at 0 and the block
// version at 352; SettingsRecord checks all three before any field is read.
constexpr SettingsLayout kLayout{3352, 10, 352, 9};

constexpr size_t kOptions = 354;
constexpr size_t kBaseName = 358;
constexpr size_t kPath = 618;
constexpr size_t kTextField = 260;
constexpr size_t kGroupEntry = 1150;
constexpr size_t kSeriesEntry = 1154;
constexpr size_t kSweepEntry = 1158;
constexpr size_t kTraceEntry = 1162;
constexpr size_t kRange = 1166;
constexpr size_t kOverlay = 1170;
constexpr size_t kStimuliRows = 1172;

// A text field ends at its first NUL or at its last byte.
std::string ReadText(const std::vector<uint8_t>& bytes, size_t offset) {
  const auto begin = bytes.begin() + static_cast<std::ptrdiff_t>(offset);
  const auto end = std::find(begin, begin + kTextField - 1, uint8_t{0});
  return std::string(begin, end);
}

// The record is zero-filled, so the text keeps its NUL.
void WriteText(SettingsRecord& record, size_t offset, const std::string& text) {
  if (text.size() >= kTextField) return;  // too long to keep with its NUL
  for (size_t i = 0; i < text.size(); ++i) record.SetByte(offset + i, static_cast<uint8_t>(text[i]));
}

// A popup entry below 1 is taken as "_all_".
int32_t Entry(int32_t stored) { return stored >= 1 ? stored : 1; }

}  // namespace

BrowserSettings LoadBrowserSettings() {
  BrowserSettings s;
  SettingsRecord record(kLayout);
  if (!SettingsRecord::Load(kLayout, &record)) return s;
  s.options = static_cast<uint32_t>(record.Int32(kOptions));
  s.baseName = ReadText(record.bytes(), kBaseName);
  s.path = ReadText(record.bytes(), kPath);
  s.groupEntry = Entry(record.Int32(kGroupEntry));
  s.seriesEntry = Entry(record.Int32(kSeriesEntry));
  s.sweepEntry = Entry(record.Int32(kSweepEntry));
  s.traceEntry = Entry(record.Int32(kTraceEntry));
  s.range = record.Int32(kRange);
  s.overlay = (record.Word(kOverlay) & 0xFF) != 0;  // one byte; 1171 is padding
  for (size_t i = 0; i < kStoredStimuli; ++i) {
    const int32_t row = record.Int32(kStimuliRows + 4 * i);
    if (row <= 0) break;
    if (s.stimuliRows.empty() || row > s.stimuliRows.back()) s.stimuliRows.push_back(row);
  }
  return s;
}

int32_t SaveBrowserSettings(const BrowserSettings& s) {
  SettingsRecord record(kLayout);
  record.SetInt32(kOptions, static_cast<int32_t>(s.options));
  WriteText(record, kBaseName, s.baseName);
  WriteText(record, kPath, s.path);
  record.SetInt32(kGroupEntry, s.groupEntry);
  record.SetInt32(kSeriesEntry, s.seriesEntry);
  record.SetInt32(kSweepEntry, s.sweepEntry);
  record.SetInt32(kTraceEntry, s.traceEntry);
  record.SetInt32(kRange, s.range);
  record.SetByte(kOverlay, s.overlay ? 1 : 0);
  const size_t rows = std::min(s.stimuliRows.size(), kStoredStimuli);
  for (size_t i = 0; i < rows; ++i) record.SetInt32(kStimuliRows + 4 * i, s.stimuliRows[i]);
  return record.Save();
}

}  // namespace kwt
