// The stored preferences: the record survives, damage is ignored, and the
// file the user named is treated as theirs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "tests/testkit/temp_dir.h"
#include "workbench/host/prefs_store.h"
#include "workbench/workbench.h"

namespace kwt {
namespace {

using ::testing::HasSubstr;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

std::vector<uint8_t> Loaded(const PrefsStore& store) {
  std::vector<uint8_t> record;
  std::string error;
  EXPECT_TRUE(store.Load(&record, &error)) << error;
  return record;
}

// The reason a save was refused; empty when it worked.
std::string SaveError(const PrefsStore& store, const std::vector<uint8_t>& record) {
  std::string error;
  return store.Save(record, &error) ? std::string() : error;
}

// A store file as the layout gives it: "KWTP", version 1, length, record,
// CRC-32, little-endian.
std::string Framed(const std::vector<uint8_t>& record) {
  std::string out = "KWTP";
  const auto le32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>(v >> (8 * i));
  };
  le32(1);
  le32(static_cast<uint32_t>(record.size()));
  out.append(record.begin(), record.end());
  le32(Crc32(record));
  return out;
}

mode_t Mode(const std::string& path, bool follow = true) {
  struct stat info {};
  EXPECT_EQ(follow ? ::stat(path.c_str(), &info) : ::lstat(path.c_str(), &info), 0) << path;
  return info.st_mode;
}

TEST(Prefs, RecordsSurviveAndDamagedFilesAreIgnored) {
  TempDir dir;
  const std::string path = dir.File("prefs.bin");
  PrefsStore store(path);
  EXPECT_TRUE(Loaded(store).empty()) << "nothing stored yet";
  const std::vector<uint8_t> record = {8, 0, 3, 0, 1, 0, 1, 1, 0, 0, 's', 'w'};
  ASSERT_EQ(SaveError(store, record), "");
  EXPECT_EQ(Loaded(store), record);
  const std::string good = ReadFile(path);
  ASSERT_EQ(good, Framed(record));

  // Every single-byte change and every truncation makes the file unusable.
  for (size_t i = 0; i < good.size(); ++i) {
    std::string bad = good;
    bad[i] = static_cast<char>(bad[i] ^ 0x5A);
    ASSERT_TRUE(WriteFile(path, bad));
    EXPECT_TRUE(Loaded(store).empty()) << "byte " << i;
  }
  for (size_t n = 0; n < good.size(); ++n) {
    ASSERT_TRUE(WriteFile(path, good.substr(0, n)));
    EXPECT_TRUE(Loaded(store).empty()) << "length " << n;
  }
  ASSERT_TRUE(WriteFile(path, good + "x"));
  EXPECT_TRUE(Loaded(store).empty()) << "a longer file";

  // The largest record the module stores fits; one byte more is neither
  // stored nor read.
  const std::vector<uint8_t> largest(PrefsStore::kMaxRecordBytes, 7);
  ASSERT_EQ(SaveError(store, largest), "");
  EXPECT_EQ(Loaded(store), largest);
  const std::vector<uint8_t> over(PrefsStore::kMaxRecordBytes + 1, 7);
  EXPECT_NE(SaveError(store, over), "");
  ASSERT_TRUE(WriteFile(path, Framed(over)));
  EXPECT_TRUE(Loaded(store).empty());
  // The next save replaces it whole and leaves no temporary file behind.
  ASSERT_EQ(SaveError(store, record), "");
  EXPECT_EQ(Loaded(store), record);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(Prefs, AFailedSaveLeavesTheStoredRecordAlone) {
  TempDir dir;
  const std::string path = dir.File("prefs.bin");
  PrefsStore store(path);
  ASSERT_EQ(SaveError(store, {1, 2, 3}), "");
  // A folder where the temporary file must go makes the write fail.
  ASSERT_EQ(::mkdir((path + ".tmp." + std::to_string(::getpid())).c_str(), 0700), 0);
  EXPECT_NE(SaveError(store, {9, 9}), "");
  EXPECT_EQ(Loaded(store), (std::vector<uint8_t>{1, 2, 3}));
}

TEST(Prefs, NothingButARegularFileIsReadOrReplaced) {
  TempDir dir;
  std::vector<std::pair<std::string, std::string>> specials = {
      {dir.File("fifo"), "not a regular file (a FIFO)"},
      {dir.path().string(), "not a regular file (a folder)"}};
  ASSERT_EQ(::mkfifo(specials[0].first.c_str(), 0600), 0);
  // A device node like /dev/null, where the system lets us make one.
  if (::mknod(dir.File("null").c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0)
    specials.emplace_back(dir.File("null"), "not a regular file (a character device)");
  for (const auto& [path, why] : specials) {
    const mode_t before = Mode(path);
    PrefsStore store(path);
    std::vector<uint8_t> record;
    std::string error;
    EXPECT_FALSE(store.Load(&record, &error)) << path;
    EXPECT_EQ(error, why);
    EXPECT_EQ(SaveError(store, {1}), why);
    EXPECT_EQ(Mode(path), before) << path << " is what it was";
  }
}

TEST(Prefs, LinksReadOnlyFilesAndFolders) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "real");
  // A link is followed; the target is replaced and the link stays.
  std::filesystem::create_symlink("real/p.bin", dir.path() / "link.bin");
  PrefsStore linked(dir.File("link.bin"));
  ASSERT_EQ(SaveError(linked, {1, 2}), "");
  EXPECT_TRUE(S_ISLNK(Mode(dir.File("link.bin"), false)));
  EXPECT_EQ(Loaded(PrefsStore(dir.File("real/p.bin"))), (std::vector<uint8_t>{1, 2}));
  ASSERT_EQ(SaveError(linked, {3}), "");
  EXPECT_EQ(Loaded(linked), std::vector<uint8_t>{3});
  EXPECT_TRUE(S_ISLNK(Mode(dir.File("link.bin"), false)));

  // The permissions stay as the user set them; without write permission
  // the file is left alone (also for the superuser).
  const std::string target = dir.File("real/p.bin");
  ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
  ASSERT_EQ(SaveError(linked, {4}), "");
  EXPECT_EQ(Mode(target) & 0777, 0640u);
  ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
  EXPECT_EQ(SaveError(linked, {5}), "the file is read-only");
  EXPECT_EQ(Loaded(linked), std::vector<uint8_t>{4});

  // A folder that a given path names is not made; the default one is.
  EXPECT_EQ(SaveError(PrefsStore(dir.File("none/p.bin")), {1}),
            "the folder " + dir.File("none") + " does not exist");
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "none"));
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old != nullptr ? old : "";
  ::setenv("XDG_CONFIG_HOME", dir.File("config").c_str(), 1);
  const std::string error = SaveError(PrefsStore(), {1});
  if (old != nullptr) ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(error, "");
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "config/kwt/prefs.bin"));
}

TEST(Prefs, TheModuleHearsWhyTheStoreCannotBeUsed) {
  // (kwt --prefs carries settings from one session to the next.)  A store
  // that cannot be used fails the call and says why, once for reading and
  // at every lost save.
  TempDir dir;
  Workbench::Options o;
  std::vector<uint8_t> r;
  ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
  o.prefsPath = dir.File("fifo");
  Workbench refused(o);
  EXPECT_EQ(HostGetPrefs(&r), kHostErrFileOpen);
  EXPECT_EQ(HostGetPrefs(&r), kHostErrFileOpen);
  EXPECT_EQ(HostSavePrefs(std::vector<uint8_t>{1}), kHostErrFileOpen);
  std::vector<std::string> alerts;
  for (const auto& e : refused.interaction().events()) alerts.push_back(e.title + ": " + e.text);
  EXPECT_THAT(alerts, ::testing::ElementsAre(
                          "KWT Preferences: cannot read the stored settings from " +
                              dir.File("fifo") + ": not a regular file (a FIFO)",
                          "KWT Preferences: the settings could not be stored in " +
                              dir.File("fifo") + ": not a regular file (a FIFO)"));
}

}  // namespace
}  // namespace kwt
