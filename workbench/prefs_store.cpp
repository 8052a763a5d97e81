#include "workbench/prefs_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace kwt {
namespace {

constexpr uint32_t kFormatVersion = 1;
// A record larger than this is not a preferences record.
constexpr uint32_t kMaxRecord = 1u << 20;

uint32_t ReadLE32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
void WriteLE32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

bool WriteAll(int fd, const uint8_t* p, size_t n) {
  while (n > 0) {
    const ssize_t w = ::write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

// Makes every folder of `dir` that is missing.
void MakeFolders(const std::string& dir) {
  for (size_t i = 1; i <= dir.size(); ++i) {
    if (i == dir.size() || dir[i] == '/') ::mkdir(dir.substr(0, i).c_str(), 0700);
  }
}

}  // namespace

uint32_t Crc32(std::span<const uint8_t> bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (uint8_t b : bytes) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

std::string PrefsStore::DefaultPath() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (xdg != nullptr && xdg[0] == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home != nullptr ? home : ".") + "/.config";
  }
  return base + "/kwt/prefs.bin";
}

PrefsStore::PrefsStore(std::string path) : path_(path.empty() ? DefaultPath() : std::move(path)) {}

std::vector<uint8_t> PrefsStore::Load() const {
  std::ifstream in(path_, std::ios::binary);
  if (!in) return {};
  std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (file.size() < 16 || std::memcmp(file.data(), "KWTP", 4) != 0) return {};
  if (ReadLE32(file.data() + 4) != kFormatVersion) return {};
  const uint32_t n = ReadLE32(file.data() + 8);
  // The length must account for the file exactly: 12 bytes of header, the
  // record, 4 bytes of checksum.
  if (n > kMaxRecord || file.size() != size_t(n) + 16) return {};
  std::vector<uint8_t> record(file.begin() + 12, file.begin() + 12 + n);
  if (Crc32(record) != ReadLE32(file.data() + 12 + n)) return {};
  return record;
}

bool PrefsStore::Save(std::span<const uint8_t> record) const {
  if (record.size() > kMaxRecord) {
    errno = EFBIG;
    return false;
  }
  std::vector<uint8_t> file = {'K', 'W', 'T', 'P'};
  WriteLE32(file, kFormatVersion);
  WriteLE32(file, static_cast<uint32_t>(record.size()));
  file.insert(file.end(), record.begin(), record.end());
  WriteLE32(file, Crc32(record));

  const size_t slash = path_.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : path_.substr(0, slash);
  if (slash != std::string::npos) MakeFolders(dir);
  const std::string temp = path_ + ".tmp." + std::to_string(::getpid());
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const bool written = WriteAll(fd, file.data(), file.size()) && ::fsync(fd) == 0;
  const int saved = errno;
  ::close(fd);
  if (!written || ::rename(temp.c_str(), path_.c_str()) != 0) {
    const int err = written ? errno : saved;
    ::unlink(temp.c_str());
    errno = err;
    return false;
  }
  // The rename itself is durable once the folder is synced.
  const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

}  // namespace kwt
