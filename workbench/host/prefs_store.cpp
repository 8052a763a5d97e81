#include "workbench/host/prefs_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "support/byte_reader.h"

namespace kwt {
namespace {

constexpr uint32_t kFormatVersion = 1;

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

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The file that `path` finally names, its symbolic links followed (as many
// as the system follows), so that a linked preferences file is replaced
// where it lies and the link stays.  *exists tells whether that file is
// there, *info holds its status when it is.
bool ResolveTarget(const std::string& path, std::string* target, struct stat* info, bool* exists,
                   std::string* error) {
  std::string current = path;
  for (int hops = 0; hops < 40; ++hops) {
    if (::lstat(current.c_str(), info) != 0) {
      if (errno != ENOENT) {
        *error = std::strerror(errno);
        return false;
      }
      *exists = false;
      *target = current;
      return true;
    }
    if (!S_ISLNK(info->st_mode)) {
      *exists = true;
      *target = current;
      return true;
    }
    std::vector<char> link(static_cast<size_t>(PATH_MAX) + 1);
    const ssize_t n = ::readlink(current.c_str(), link.data(), link.size() - 1);
    if (n < 0) {
      *error = std::strerror(errno);
      return false;
    }
    std::string next(link.data(), static_cast<size_t>(n));
    // A relative link is relative to the folder that holds it.
    if (next.empty() || next[0] != '/') next = FolderOf(current) + "/" + next;
    current = std::move(next);
  }
  *error = std::strerror(ELOOP);
  return false;
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

PrefsStore::PrefsStore(std::string path)
    : path_(path.empty() ? DefaultPath() : std::move(path)), defaultLocation_(path_ == DefaultPath()) {}

bool PrefsStore::Load(std::vector<uint8_t>* record, std::string* error) const {
  record->clear();
  struct stat info {};
  // Nothing stored yet is no failure (a dangling link counts as nothing).
  if (::stat(path_.c_str(), &info) != 0 && errno == ENOENT) return true;
  const FileSource in(path_, FileSource::PathKind::kNative);
  if (!in.is_open()) {
    *error = in.failure();
    return false;
  }
  // 12 bytes of header, the record, 4 bytes of checksum; a longer file
  // holds no record the module wrote and is not read.
  constexpr size_t kFramingBytes = 16;
  if (in.size() < kFramingBytes || in.size() > kMaxRecordBytes + kFramingBytes) return true;
  std::vector<uint8_t> file(static_cast<size_t>(in.size()));
  if (in.ReadAt(0, file) != file.size()) return true;
  if (std::memcmp(file.data(), "KWTP", 4) != 0) return true;
  if (ReadLE32(file.data() + 4) != kFormatVersion) return true;
  const uint32_t n = ReadLE32(file.data() + 8);
  // The length must account for the file exactly.
  if (n > kMaxRecordBytes || file.size() != size_t(n) + kFramingBytes) return true;
  std::vector<uint8_t> stored(file.begin() + 12, file.begin() + 12 + n);
  if (Crc32(stored) != ReadLE32(file.data() + 12 + n)) return true;
  *record = std::move(stored);
  return true;
}

bool PrefsStore::Save(std::span<const uint8_t> record, std::string* error) const {
  if (record.size() > kMaxRecordBytes) {
    *error = "the record is larger than any the module stores";
    return false;
  }
  std::string target;
  struct stat info {};
  bool exists = false;
  if (!ResolveTarget(path_, &target, &info, &exists, error)) return false;
  mode_t mode = 0600;
  if (exists) {
    // Replacing a device or a FIFO by a regular file would break what the
    // name stood for; a file without write permission is meant to stay.
    // The permission bits are read as well as access() asked, since the
    // superuser may write to any file.
    if (!S_ISREG(info.st_mode)) {
      *error = std::string("not a regular file (") + SpecialFileKind(info.st_mode) + ")";
      return false;
    }
    if ((info.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0) {
      *error = "the file is read-only";
      return false;
    }
    // The replacement keeps the permissions the user gave the file.
    mode = info.st_mode & 07777;
  }
  const std::string dir = FolderOf(target);
  struct stat dirInfo {};
  if (::stat(dir.c_str(), &dirInfo) != 0 && defaultLocation_) MakeFolders(dir);
  if (::stat(dir.c_str(), &dirInfo) != 0 || !S_ISDIR(dirInfo.st_mode)) {
    *error = "the folder " + dir + " does not exist";
    return false;
  }

  std::vector<uint8_t> file = {'K', 'W', 'T', 'P'};
  WriteLE32(file, kFormatVersion);
  WriteLE32(file, static_cast<uint32_t>(record.size()));
  file.insert(file.end(), record.begin(), record.end());
  WriteLE32(file, Crc32(record));

  // The temporary file is made anew: one left by a crashed run of the same
  // process number is removed first, and a link planted under its name is
  // never followed.
  const std::string temp = target + ".tmp." + std::to_string(::getpid());
  ::unlink(temp.c_str());
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) {
    *error = std::strerror(errno);
    return false;
  }
  const bool written = (!exists || ::fchmod(fd, mode) == 0) &&
                       WriteAll(fd, file.data(), file.size()) && ::fsync(fd) == 0;
  const int saved = errno;
  ::close(fd);
  if (!written || ::rename(temp.c_str(), target.c_str()) != 0) {
    *error = std::strerror(written ? errno : saved);
    ::unlink(temp.c_str());
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
