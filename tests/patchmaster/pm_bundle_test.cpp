// Data-file kinds, the bundle header and its byte order, the item extents
// and the companion file names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "patchmaster/pm_bundle.h"
#include "tests/patchmaster/pm_fixture.h"
#include "tests/testkit/byte_writer.h"
#include "tests/testkit/temp_dir.h"
#include "workbench/workbench.h"

namespace kwt {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

struct Detected {
  int32_t result = 99;
  DataFileKind kind = -7;
  BundleItemMask mask = 0xFFFF;
};

Detected Detect(const Bytes& bytes) {
  Detected d;
  d.result = DetectDataFileKind(MemorySource(bytes), &d.kind, &d.mask);
  return d;
}

TEST(DataFileKind, SignaturesGiveTheirKinds) {
  EXPECT_EQ(Detect(Text("DAT1 raw samples")).kind, kDataFileDat1);
  EXPECT_EQ(Detect(Text("DATA raw samples")).kind, kDataFileData);
  // Anything that does not begin "DAT" is raw data, accepted.
  for (const char* other : {"DA", "dat1", "DBT2"}) {
    const Detected d = Detect(Text(other));
    EXPECT_EQ(d.result, 0) << other;
    EXPECT_EQ(d.kind, kDataFileRaw) << other;
    EXPECT_EQ(d.mask, 0u) << other;
  }
  // "DAT" with another fourth byte (a file of exactly "DAT" has a zero
  // there), nothing at all, a bundle shorter than its header.
  Bytes cut = test::PmBundleBytes(test::Shaped());
  cut.resize(kBundleHeaderSize - 1);
  for (const Bytes& bad : {Text("DAT3"), Text("DATa"), Text("DAT"), Bytes{}, cut})
    EXPECT_EQ(Detect(bad).result, -1) << std::string(bad.begin(), bad.end()).substr(0, 4);
  EXPECT_EQ(CurrentBundleHeader(), BundleHeader{});
}

// A header written by hand: items 1, 2 and 5 present, in the given order.
Bytes HandHeader(ByteOrder order, uint8_t flag) {
  test::ByteWriter w(order);
  w.PutFill(kBundleHeaderSize, 0);
  w.StoreText(0, "DAT2", 8);
  w.StoreText(8, "version text", 32);
  w.StoreF64(40, 1.5e9);
  w.StoreI32(48, 3);
  w.StoreU8(52, flag);
  w.StoreI32(64 + 16 * 1, 0x01020304);
  w.StoreI32(64 + 16 * 1 + 4, 0x00000100);
  w.StoreText(64 + 16 * 1 + 8, ".pul", 8);
  w.StoreI32(64 + 16 * 2, 300);
  w.StoreI32(64 + 16 * 2 + 4, 40);
  w.StoreI32(64 + 16 * 5, 7);
  return w.Take();
}

// The flag at byte 52, not the numbers' own look, gives the order: 0 big,
// anything else little (the loaded bundles check every field beyond).
TEST(BundleHeader, NumbersAreTakenInTheFlagsOrder) {
  for (const auto& [order, flag] :
       {std::pair{ByteOrder::kBig, uint8_t{0}}, std::pair{ByteOrder::kLittle, uint8_t{0x80}}}) {
    const Detected d = Detect(HandHeader(order, flag));
    ASSERT_EQ(d.result, 0);
    EXPECT_EQ(d.kind, kDataFileBundle);
    EXPECT_EQ(d.mask, (1u << 1) | (1u << 2) | (1u << 5));
    const BundleHeader& h = CurrentBundleHeader();
    EXPECT_EQ(FieldText(h.versionText), "version text");
    EXPECT_EQ(h.time, 1.5e9);
    EXPECT_EQ(h.items[1].start, 0x01020304);
    EXPECT_EQ(h.items[1].length, 256);
    EXPECT_EQ(FieldText(h.items[1].extension), ".pul");
  }
  // Little-endian numbers under a flag of 0 are read big-endian.
  const BundleHeader h = DecodeBundleHeader(HandHeader(ByteOrder::kLittle, 0));
  EXPECT_EQ(h.items[1].length, 0x00010000);
}

// The path variant opens the file, detects and closes it; a missing file
// gets the alert unless quiet, an empty one fails without.
TEST(DetectFromPath, OpensDetectsAndAlertsUnlessQuiet) {
  Workbench bench;
  test::TempDir dir;
  const std::string path = dir.File("cell.dat");
  test::WriteFileBytes(path, test::PmBundleBytes(test::Shaped()));
  test::WriteFileBytes(dir.File("empty.dat"), {});
  DataFileKind kind = 0;
  BundleItemMask mask = 0;
  ASSERT_EQ(DetectDataFileKind(path, &kind, &mask, false), 0);
  EXPECT_EQ(kind, kDataFileBundle);
  EXPECT_EQ(mask, 0b11111u);
  EXPECT_EQ(DetectDataFileKind(dir.File("empty.dat"), &kind, &mask, false), -1);
  EXPECT_EQ(DetectDataFileKind(dir.File("none.dat"), &kind, &mask, true), -1);
  EXPECT_TRUE(bench.interaction().events().empty());
  EXPECT_EQ(DetectDataFileKind(dir.File("none.dat"), &kind, &mask, false), -1);
  ASSERT_EQ(bench.interaction().events().size(), 1u);
  const auto& alert = bench.interaction().events()[0];
  EXPECT_EQ(alert.kind, "alert");
  EXPECT_EQ(alert.title, "KWT");
  EXPECT_EQ(alert.text, "Cannot open DAT file. Check, if you have the rights for this file");
}

TEST(CompanionFiles, ResultsLongerThan259CharactersAreRefused) {
  // "x...x.dat" of 259 characters stays 259 with "pgf"; one more is 260.
  std::string fits = std::string(255, 'x') + ".dat";
  ASSERT_EQ(fits.size(), 259u);
  EXPECT_TRUE(CompanionFileName(&fits, kExtensionStimulus));
  EXPECT_EQ(fits.size(), 259u);
  std::string longer = std::string(255, 'x') + ".da";
  EXPECT_FALSE(CompanionFileName(&longer, "dat1"));
}

TEST(CompanionFiles, DataExtensionIsExactlyDat) {
  for (const char* yes : {"cell.dat", "/a.b/cell.x.dat"}) EXPECT_TRUE(HasDataExtension(yes)) << yes;
  for (const char* no : {"cell.pgf", "cell.data", "cell.DAT", "cell", "run.dat/cell"})
    EXPECT_FALSE(HasDataExtension(no)) << no;
}

}  // namespace
}  // namespace kwt
