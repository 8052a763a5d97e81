#include "calculators/settings_record.h"

#include <cstring>

#include "host/host.h"

namespace kwt {

// Bytes that no field of the layout uses stay 0, so a record written here
// carries nothing over from another calculator's layout.
SettingsRecord::SettingsRecord(const SettingsLayout& layout) : bytes_(layout.sizeBytes, 0) {
  SetWord(0, layout.version);
  SetWord(layout.calculatorOffset, layout.calculator);
}

bool SettingsRecord::Load(const SettingsLayout& layout, SettingsRecord* record) {
  std::vector<uint8_t> stored;
  if (HostGetPrefs(&stored) != 0) return false;
  // A record of another size belongs to another layout (or is damaged);
  // comparing the size first also keeps every read below inside it.
  if (stored.size() != layout.sizeBytes) return false;
  SettingsRecord candidate(layout);
  candidate.bytes_ = std::move(stored);
  if (candidate.Word(0) != layout.version) return false;
  if (candidate.Word(layout.calculatorOffset) != layout.calculator) return false;
  *record = std::move(candidate);
  return true;
}

int32_t SettingsRecord::Save() const { return HostSavePrefs(bytes_); }

// Little-endian, byte by byte.  The bound is checked without forming
// offset + width, which could wrap for an offset near SIZE_MAX.
uint64_t SettingsRecord::Read(size_t offset, size_t width) const {
  if (offset > bytes_.size() || width > bytes_.size() - offset) return 0;
  uint64_t v = 0;
  for (size_t i = 0; i < width; ++i) v |= uint64_t{bytes_[offset + i]} << (8 * i);
  return v;
}

void SettingsRecord::Write(size_t offset, size_t width, uint64_t value) {
  if (offset > bytes_.size() || width > bytes_.size() - offset) return;
  for (size_t i = 0; i < width; ++i) bytes_[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

// Doubles are stored as their IEEE bit pattern; a damaged record can hold
// a NaN or an infinity there, which the dialogs check before showing it.
int32_t SettingsRecord::Int32(size_t offset) const {
  return static_cast<int32_t>(static_cast<uint32_t>(Read(offset, 4)));
}

double SettingsRecord::Double(size_t offset) const {
  const uint64_t bits = Read(offset, 8);
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

uint16_t SettingsRecord::Word(size_t offset) const { return static_cast<uint16_t>(Read(offset, 2)); }

void SettingsRecord::SetInt32(size_t offset, int32_t value) {
  Write(offset, 4, static_cast<uint32_t>(value));
}

void SettingsRecord::SetDouble(size_t offset, double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  Write(offset, 8, bits);
}

void SettingsRecord::SetWord(size_t offset, uint16_t value) { Write(offset, 2, value); }
void SettingsRecord::SetByte(size_t offset, uint8_t value) { Write(offset, 1, value); }

}  // namespace kwt
