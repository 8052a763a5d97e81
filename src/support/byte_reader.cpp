#include "support/byte_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <new>

#include "host/host.h"

namespace kwt {
namespace {

// Size of the read-ahead window of a FileSource.  Tree files are walked
// record by record; 64 KiB holds hundreds of records per system call.
constexpr size_t kWindowBytes = 64 * 1024;

// The number of bytes of a `width`-byte value at `offset` that the span
// holds (0 when the offset is at or past its end).
size_t Available(std::span<const uint8_t> bytes, size_t offset, size_t width) {
  if (offset >= bytes.size()) return 0;
  return std::min(width, bytes.size() - offset);
}

// Assembles `width` bytes into an unsigned number in the given order.
uint64_t Assemble(const uint8_t* raw, size_t width, ByteOrder order) {
  uint64_t value = 0;
  if (order == ByteOrder::kBig) {
    for (size_t i = 0; i < width; ++i) value = (value << 8) | raw[i];
  } else {
    for (size_t i = width; i > 0; --i) value = (value << 8) | raw[i - 1];
  }
  return value;
}

// The `width`-byte number at offset, zeros standing in for missing bytes.
uint64_t LoadUnsigned(std::span<const uint8_t> bytes, size_t offset, size_t width,
                      ByteOrder order) {
  uint8_t raw[8] = {};
  const size_t n = Available(bytes, offset, width);
  if (n > 0) std::memcpy(raw, bytes.data() + offset, n);
  return Assemble(raw, width, order);
}

}  // namespace

// ---- Decoding numbers from a span -----------------------------------------

// The signed and floating-point loads reinterpret the unsigned pattern with
// bit_cast, which is defined for every bit pattern (no aliasing, no traps).

uint8_t LoadU8(std::span<const uint8_t> bytes, size_t offset) {
  return offset < bytes.size() ? bytes[offset] : 0;
}
uint16_t LoadU16(std::span<const uint8_t> bytes, size_t offset, ByteOrder order) {
  return static_cast<uint16_t>(LoadUnsigned(bytes, offset, 2, order));
}
uint32_t LoadU32(std::span<const uint8_t> bytes, size_t offset, ByteOrder order) {
  return static_cast<uint32_t>(LoadUnsigned(bytes, offset, 4, order));
}
uint64_t LoadU64(std::span<const uint8_t> bytes, size_t offset, ByteOrder order) {
  return LoadUnsigned(bytes, offset, 8, order);
}
int16_t LoadI16(std::span<const uint8_t> bytes, size_t offset, ByteOrder order) {
  return std::bit_cast<int16_t>(LoadU16(bytes, offset, order));
}
int32_t LoadI32(std::span<const uint8_t> bytes, size_t offset, ByteOrder order) {
  return std::bit_cast<int32_t>(LoadU32(bytes, offset, order));
}
float LoadF32(std::span<const uint8_t> bytes, size_t offset, ByteOrder order) {
  return std::bit_cast<float>(LoadU32(bytes, offset, order));
}
double LoadF64(std::span<const uint8_t> bytes, size_t offset, ByteOrder order) {
  return std::bit_cast<double>(LoadU64(bytes, offset, order));
}

size_t LoadBytes(std::span<const uint8_t> bytes, size_t offset, std::span<uint8_t> out) {
  // Copy what the span holds, then zero the rest: the caller always gets a
  // fully defined buffer.
  const size_t n = Available(bytes, offset, out.size());
  if (n > 0) std::memcpy(out.data(), bytes.data() + offset, n);
  if (n < out.size()) std::memset(out.data() + n, 0, out.size() - n);
  return n;
}

// ---- Sources ----------------------------------------------------------------

size_t ByteSource::ReadAt(uint64_t offset, std::span<uint8_t> out) const {
  size_t copied = 0;
  const uint64_t total = size();
  if (offset < total && !out.empty()) {
    // Never ask the source for bytes beyond its end.
    const uint64_t available = total - offset;
    const size_t wanted = available < out.size() ? static_cast<size_t>(available) : out.size();
    copied = std::min(Fetch(offset, out.first(wanted)), wanted);
  }
  if (copied < out.size()) std::memset(out.data() + copied, 0, out.size() - copied);
  return copied;
}

size_t MemorySource::Fetch(uint64_t offset, std::span<uint8_t> out) const {
  // ReadAt has limited the request to the span, so offset + out.size() is
  // within it and the copy cannot leave it.
  std::memcpy(out.data(), bytes_.data() + offset, out.size());
  return out.size();
}

SliceSource::SliceSource(const ByteSource& base, uint64_t start, uint64_t length)
    : base_(base), start_(start) {
  // A window that claims more than the base holds (an item length in a
  // damaged header) shrinks to what is there; start + length is never
  // formed, so it cannot wrap.
  const uint64_t baseSize = base.size();
  length_ = start >= baseSize ? 0 : std::min(length, baseSize - start);
}

size_t SliceSource::Fetch(uint64_t offset, std::span<uint8_t> out) const {
  return base_.ReadAt(start_ + offset, out);
}

const char* SpecialFileKind(uint32_t mode) {
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISSOCK(mode)) return "a socket";
  return "a special file";
}

int OpenRegularFile(const std::string& path, uint64_t* size, std::string* why, bool* special) {
  *size = 0;
  why->clear();
  if (special != nullptr) *special = false;
  // O_NONBLOCK lets the open of a FIFO return at once; O_NOCTTY keeps a
  // terminal from becoming the program's own; O_CLOEXEC keeps the
  // descriptor out of programs the host may start.  Read-only and binary
  // (POSIX knows no text mode).
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    *why = std::strerror(errno);
    return -1;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    *why = std::strerror(errno);
    ::close(fd);
    return -1;
  }
  // Only a regular file has a size that bounds every read: a device such
  // as /dev/zero never ends, a FIFO blocks, and a folder cannot be read.
  if (!S_ISREG(info.st_mode)) {
    *why = std::string("not a regular file (") + SpecialFileKind(info.st_mode) + ")";
    if (special != nullptr) *special = true;
    ::close(fd);
    return -1;
  }
  if (info.st_size < 0) {
    *why = "the file has no size";
    ::close(fd);
    return -1;
  }
  // Reads from here on may wait for the disk as usual.
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  *size = static_cast<uint64_t>(info.st_size);
  return fd;
}

FileSource::FileSource(const std::string& path, PathKind kind) {
  std::string native = path;
  // Without a host there is nothing to convert with: such a program names
  // its files natively.
  const bool hosted = kind == PathKind::kHost && HostAttachedRecord() != nullptr &&
                      HostAttachedRecord()->host != nullptr;
  if (hosted && HostToNativePath(&native) != 0) {
    // A path the host cannot convert names no file this module could open.
    failure_ = "the path cannot be converted to a file name";
    return;
  }
  bool special = false;
  fd_ = OpenRegularFile(native, &size_, &failure_, &special);
  if (special && hosted) {
    HostDiagnose(path + ": " + failure_);
    diagnosed_ = true;
  }
}

void FileSource::DiagnoseFailure(const std::string& path) const {
  if (!is_open() && !diagnosed_) HostDiagnose(path + ": " + failure_);
}

FileSource::~FileSource() {
  if (fd_ >= 0) ::close(fd_);
}

size_t FileSource::ReadDirect(uint64_t offset, std::span<uint8_t> out) const {
  // pread may return fewer bytes than asked (signals, pipes, network file
  // systems); loop until the request is met, the file ends or it fails.
  size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = ::pread(fd_, out.data() + done, out.size() - done,
                              static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // an error or the end of a file that shrank
    done += static_cast<size_t>(n);
  }
  return done;
}

size_t FileSource::Fetch(uint64_t offset, std::span<uint8_t> out) const {
  if (fd_ < 0) return 0;
  // Large requests (sample blocks) go straight to the file; the window is
  // for the many small reads of a tree walk.
  if (out.size() >= kWindowBytes) return ReadDirect(offset, out);
  const bool inWindow = window_ && offset >= windowStart_ &&
                        offset - windowStart_ + out.size() <= windowLength_;
  if (!inWindow) {
    if (!window_) window_.reset(new (std::nothrow) uint8_t[kWindowBytes]);
    // Without a window (no memory for it) read straight from the file.
    if (!window_) return ReadDirect(offset, out);
    windowStart_ = offset;
    windowLength_ = ReadDirect(offset, std::span<uint8_t>(window_.get(), kWindowBytes));
  }
  // The window starts at or before offset here; a window cut short by the
  // end of the file yields what it has.
  const uint64_t skip = offset - windowStart_;
  const size_t n = skip >= windowLength_
                       ? 0
                       : std::min(out.size(), windowLength_ - static_cast<size_t>(skip));
  if (n > 0) std::memcpy(out.data(), window_.get() + skip, n);
  return n;
}

// ---- Cursor -----------------------------------------------------------------

uint64_t ByteReader::remaining() const {
  const uint64_t total = source_.size();
  return position_ < total ? total - position_ : 0;
}

bool ByteReader::Seek(uint64_t position) {
  // Positions beyond the end are refused rather than clamped, so that a
  // stored offset that points outside the file is noticed by the caller.
  if (position > source_.size()) return false;
  position_ = position;
  return true;
}

bool ByteReader::Skip(uint64_t count) {
  if (count > remaining()) {
    truncated_ = true;
    return false;
  }
  position_ += count;
  return true;
}

bool ByteReader::ReadBytes(std::span<uint8_t> out) {
  const uint64_t left = remaining();
  const size_t copied = source_.ReadAt(position_, out);
  if (copied < out.size()) {
    // A short read: keep what there was, zeros behind it, and stand at the
    // end so that later reads fail as well.
    position_ += left;
    truncated_ = true;
    return false;
  }
  position_ += out.size();
  return true;
}

bool ByteReader::ReadRaw(uint8_t* buffer, size_t width) {
  // A number is all or nothing: half a number is no value, so a short read
  // gives zero bytes rather than the bytes that happen to be there.
  if (remaining() < width) {
    std::memset(buffer, 0, width);
    position_ += remaining();
    truncated_ = true;
    return false;
  }
  return ReadBytes(std::span<uint8_t>(buffer, width));
}

bool ByteReader::ReadU8(uint8_t* value) {
  uint8_t raw[1];
  const bool ok = ReadRaw(raw, 1);
  *value = ok ? raw[0] : 0;
  return ok;
}

bool ByteReader::ReadU16(uint16_t* value) {
  uint8_t raw[2];
  const bool ok = ReadRaw(raw, 2);
  *value = ok ? static_cast<uint16_t>(Assemble(raw, 2, order_)) : 0;
  return ok;
}

bool ByteReader::ReadI16(int16_t* value) {
  uint16_t u = 0;
  const bool ok = ReadU16(&u);
  *value = std::bit_cast<int16_t>(u);
  return ok;
}

bool ByteReader::ReadU32(uint32_t* value) {
  uint8_t raw[4];
  const bool ok = ReadRaw(raw, 4);
  *value = ok ? static_cast<uint32_t>(Assemble(raw, 4, order_)) : 0;
  return ok;
}

bool ByteReader::ReadI32(int32_t* value) {
  uint32_t u = 0;
  const bool ok = ReadU32(&u);
  *value = std::bit_cast<int32_t>(u);
  return ok;
}

bool ByteReader::ReadF32(float* value) {
  uint32_t u = 0;
  const bool ok = ReadU32(&u);
  *value = std::bit_cast<float>(u);
  return ok;
}

bool ByteReader::ReadF64(double* value) {
  uint8_t raw[8];
  const bool ok = ReadRaw(raw, 8);
  *value = ok ? std::bit_cast<double>(Assemble(raw, 8, order_)) : 0.0;
  return ok;
}

}  // namespace kwt
