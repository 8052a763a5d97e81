// The stored settings of a calculator dialog.
//
// The host keeps one preferences record for the whole module; each
// calculator stores its own layout there when its dialog closes, so only
// the last calculator closed keeps its settings.  A layout is known by its
// size, a 16-bit version word at offset 0 and a 16-bit calculator word at
// an offset of its own.  Numbers are little-endian: 16- and 32-bit integers
// and IEEE doubles at fixed byte offsets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kwt {

struct SettingsLayout {
  size_t sizeBytes;
  uint16_t version;
  size_t calculatorOffset;
  uint16_t calculator;
};

class SettingsRecord {
 public:
  // A zero-filled record of the layout, with its version and calculator
  // words set.
  explicit SettingsRecord(const SettingsLayout& layout);

  // Loads the stored record when it has exactly this layout's size,
  // version and calculator word; false (and *record untouched) otherwise,
  // also when the host has none or cannot read it.
  static bool Load(const SettingsLayout& layout, SettingsRecord* record);
  // Stores the record as the module's preferences; returns the host's code.
  int32_t Save() const;

  // Reads at a byte offset; an offset whose bytes lie past the end reads 0.
  int32_t Int32(size_t offset) const;
  double Double(size_t offset) const;
  uint16_t Word(size_t offset) const;
  // Writes at a byte offset; a write past the end is dropped.
  void SetInt32(size_t offset, int32_t value);
  void SetDouble(size_t offset, double value);
  void SetWord(size_t offset, uint16_t value);
  void SetByte(size_t offset, uint8_t value);

  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  uint64_t Read(size_t offset, size_t width) const;
  void Write(size_t offset, size_t width, uint64_t value);

  std::vector<uint8_t> bytes_;
};

}  // namespace kwt
