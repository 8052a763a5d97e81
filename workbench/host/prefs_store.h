// The stored preferences: one record for the module, kept in a file that is
// replaced atomically (write a temporary file beside it, fsync, rename,
// fsync the folder) so that a crash never leaves a torn record.
//
// File layout (little-endian): "KWTP", u32 format version 1, u32 length n,
// n bytes of the record, u32 CRC-32 of those bytes.  A file that does not
// match this exactly is ignored and replaced on the next save.
//
// The path is the user's: a symbolic link is followed and its target
// replaced, a file without write permission is left alone, and a path that
// names something other than a regular file (/dev/null, a FIFO, a folder)
// is refused rather than replaced by a regular file.  Only the default
// location makes its folder when it is missing; a folder that a path given
// by the user names must exist.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kwt {

class PrefsStore {
 public:
  // The largest record the module stores: the free calcium and magnesium
  // calculator's layout and the file browser's, 3352 bytes.  Larger files
  // are not read and larger records not written.
  static constexpr size_t kMaxRecordBytes = 3352;

  // `path` empty: $XDG_CONFIG_HOME/kwt/prefs.bin (or ~/.config/kwt/...).
  explicit PrefsStore(std::string path = {});

  const std::string& path() const { return path_; }
  // The stored record in *record: empty when there is none or the file is
  // damaged.  False, with *error saying why, when the path names something
  // that cannot be read as the store (not a regular file, no permission).
  bool Load(std::vector<uint8_t>* record, std::string* error) const;
  // Replaces the stored record; false, with *error saying why, when the
  // record could not be stored.  The stored file is then as it was.
  bool Save(std::span<const uint8_t> record, std::string* error) const;

  static std::string DefaultPath();

 private:
  std::string path_;
  bool defaultLocation_ = false;
};

uint32_t Crc32(std::span<const uint8_t> bytes);

}  // namespace kwt
