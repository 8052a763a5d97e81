// The stored preferences: one record for the module, kept in a file that is
// replaced atomically (write a temporary file, fsync, rename, fsync the
// folder) so that a crash never leaves a torn record.
//
// File layout (little-endian): "KWTP", u32 format version 1, u32 length n,
// n bytes of the record, u32 CRC-32 of those bytes.  A file that does not
// match this exactly is ignored and replaced on the next save.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kwt {

class PrefsStore {
 public:
  // `path` empty: $XDG_CONFIG_HOME/kwt/prefs.bin (or ~/.config/kwt/...).
  explicit PrefsStore(std::string path = {});

  const std::string& path() const { return path_; }
  // The stored record, or empty when there is none or the file is damaged.
  std::vector<uint8_t> Load() const;
  // Replaces the stored record; false (with errno set) when it fails.
  bool Save(std::span<const uint8_t> record) const;

  static std::string DefaultPath();

 private:
  std::string path_;
};

uint32_t Crc32(std::span<const uint8_t> bytes);

}  // namespace kwt
