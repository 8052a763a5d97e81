// Bounds-checked reading of untrusted bytes with an explicit byte order.
//
// Every reader of a recording goes through these pieces, in layers:
//
//   * Load...(bytes, offset, order): decode one number from a byte span.
//     Bytes that the span does not hold read as zero, so a field that lies
//     partly or wholly outside a short record takes zeros for what is missing.
//   * ByteSource: random-access bytes, either in memory (MemorySource), a
//     window on another source (SliceSource, for a tree inside a bundle) or a
//     file opened read-only (FileSource, positioned reads).
//   * ByteReader: a cursor over a source with a byte order.  Every read is
//     checked against what remains; a short read leaves zeros behind it,
//     reports false and marks the reader as truncated.
//
// Nothing here throws, allocates per read, or forms a pointer past the end
// of a buffer: offsets are compared with the remaining length before use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace kwt {

// Byte order of the multi-byte numbers of a file (or of one tree in it).
enum class ByteOrder : uint8_t { kLittle, kBig };

// ---- Decoding numbers from a span -----------------------------------------

// Each returns the number stored at `offset` in `order`; bytes beyond the
// end of `bytes` count as zero (a value wholly outside reads as 0).
uint8_t LoadU8(std::span<const uint8_t> bytes, size_t offset);
uint16_t LoadU16(std::span<const uint8_t> bytes, size_t offset, ByteOrder order);
uint32_t LoadU32(std::span<const uint8_t> bytes, size_t offset, ByteOrder order);
uint64_t LoadU64(std::span<const uint8_t> bytes, size_t offset, ByteOrder order);
int16_t LoadI16(std::span<const uint8_t> bytes, size_t offset, ByteOrder order);
int32_t LoadI32(std::span<const uint8_t> bytes, size_t offset, ByteOrder order);
float LoadF32(std::span<const uint8_t> bytes, size_t offset, ByteOrder order);
double LoadF64(std::span<const uint8_t> bytes, size_t offset, ByteOrder order);

// Copies bytes[offset, offset + out.size()) into out; what the span does not
// hold is zero-filled.  Returns the number of bytes copied from the span.
size_t LoadBytes(std::span<const uint8_t> bytes, size_t offset, std::span<uint8_t> out);

// ---- Sources ----------------------------------------------------------------

// Random-access bytes of known size.
class ByteSource {
 public:
  virtual ~ByteSource() = default;

  // The number of bytes the source holds.
  virtual uint64_t size() const = 0;

  // Copies the bytes at [offset, offset + out.size()) into out.  Whatever the
  // source does not hold (past its end, or a failed read) is zero-filled.
  // Returns the number of bytes actually copied.
  size_t ReadAt(uint64_t offset, std::span<uint8_t> out) const;

  // Where byte 0 of the source lies in the file it comes from, for
  // messages that name a position in the file.
  virtual uint64_t origin() const { return 0; }

 protected:
  // Copies up to out.size() bytes at offset (< size()); returns the count.
  virtual size_t Fetch(uint64_t offset, std::span<uint8_t> out) const = 0;
};

// Bytes in memory; the caller keeps them alive while the source is used.
class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  uint64_t size() const override { return bytes_.size(); }

 private:
  size_t Fetch(uint64_t offset, std::span<uint8_t> out) const override;
  std::span<const uint8_t> bytes_;
};

// The bytes [start, start + length) of another source, seen from offset 0.
// The window is cut to what the underlying source holds.
class SliceSource final : public ByteSource {
 public:
  SliceSource(const ByteSource& base, uint64_t start, uint64_t length);
  uint64_t size() const override { return length_; }
  uint64_t origin() const override { return base_.origin() + start_; }

 private:
  size_t Fetch(uint64_t offset, std::span<uint8_t> out) const override;
  const ByteSource& base_;
  uint64_t start_ = 0;
  uint64_t length_ = 0;
};

// What a file that is not a regular one is, from its mode bits (st_mode):
// "a FIFO", "a character device", "a block device", "a folder", "a socket"
// or "a special file".
const char* SpecialFileKind(uint32_t mode);

// Opens `path` (a native path) read-only when it names a regular file.
// The open itself never waits: a FIFO without a writer would hold a
// blocking open forever, so the file is opened without blocking and its
// kind is checked on the descriptor (no other file can take the name's
// place between a check and the open).  Returns the descriptor, which the
// caller closes, and the file's size; or -1 with *why telling what went
// wrong: "not a regular file (a FIFO)" and the like, or the system's text
// for the error ("No such file or directory"), and *special (when given)
// set for a file that exists but is not a regular one.
int OpenRegularFile(const std::string& path, uint64_t* size, std::string* why,
                    bool* special = nullptr);

// A regular file opened read-only in binary mode, read by position.  The
// file is closed when the source is destroyed.  Small reads are served from
// a read-ahead window so that walking a tree record by record costs one
// system call per window rather than one per field.
class FileSource final : public ByteSource {
 public:
  // Where a path comes from.  The module's paths are the host's: they come
  // from its command line and are converted with HostToNativePath before
  // the open (without a host, as in a program that reads recordings on its
  // own, they are taken as they stand).  The host's own files have native
  // paths.
  enum class PathKind : uint8_t { kHost, kNative };

  // Opens `path`.  is_open() tells whether that worked; anything but a
  // regular file whose size can be had is not open (see OpenRegularFile).
  // A host path that names something other than a regular file is also
  // reported to the host (HostDiagnose), since the module's own code for
  // the failure ("Cannot open DAT file") cannot say so.
  explicit FileSource(const std::string& path, PathKind kind = PathKind::kHost);
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  bool is_open() const { return fd_ >= 0; }
  uint64_t size() const override { return size_; }
  // Why the file is not open; empty when it is.
  const std::string& failure() const { return failure_; }
  // Tells the host why `path` is not open ("cell.pul: No such file or
  // directory"), unless the open has told it already.
  void DiagnoseFailure(const std::string& path) const;

 private:
  size_t Fetch(uint64_t offset, std::span<uint8_t> out) const override;
  // Reads straight from the file; returns the bytes read (short at a
  // failure or at the end of the file).
  size_t ReadDirect(uint64_t offset, std::span<uint8_t> out) const;

  int fd_ = -1;
  uint64_t size_ = 0;
  std::string failure_;
  bool diagnosed_ = false;
  mutable std::unique_ptr<uint8_t[]> window_;
  mutable uint64_t windowStart_ = 0;
  mutable size_t windowLength_ = 0;
};

// ---- Cursor -----------------------------------------------------------------

// Sequential reads from a source in a given byte order.  The reader does not
// own the source.
class ByteReader {
 public:
  ByteReader(const ByteSource& source, ByteOrder order) : source_(source), order_(order) {}

  ByteOrder order() const { return order_; }
  const ByteSource& source() const { return source_; }
  void set_order(ByteOrder order) { order_ = order; }
  uint64_t position() const { return position_; }
  uint64_t size() const { return source_.size(); }
  // Bytes from the position to the end of the source.
  uint64_t remaining() const;
  // True once a read or skip has come up short.
  bool truncated() const { return truncated_; }

  // Moves to `position`; false (position unchanged) when it lies beyond
  // the end.  The end itself is a valid position.
  bool Seek(uint64_t position);
  // Moves forward by `count`; false (position unchanged, truncated set) when
  // fewer bytes remain.
  bool Skip(uint64_t count);

  // Reads out.size() bytes.  When fewer remain, copies what there is,
  // zero-fills the rest, moves to the end and returns false.
  bool ReadBytes(std::span<uint8_t> out);

  // Each reads one number in the reader's byte order.  When the bytes are
  // not all there, *value is 0, the position moves to the end and the
  // result is false.
  bool ReadU8(uint8_t* value);
  bool ReadU16(uint16_t* value);
  bool ReadI16(int16_t* value);
  bool ReadU32(uint32_t* value);
  bool ReadI32(int32_t* value);
  bool ReadF32(float* value);
  bool ReadF64(double* value);

 private:
  // Reads exactly `width` (<= 8) bytes into `buffer`; false when short.
  bool ReadRaw(uint8_t* buffer, size_t width);

  const ByteSource& source_;
  ByteOrder order_;
  uint64_t position_ = 0;
  bool truncated_ = false;
};

}  // namespace kwt
