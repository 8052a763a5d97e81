// What the workbench writes: Igor text files and binary wave files (and
// reading them back), packed experiments and the session dump.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <nlohmann/json.hpp>

#include "tests/testkit/process.h"
#include "tests/testkit/temp_dir.h"
#include "tests/workbench/graphs/picture.h"
#include "support/byte_reader.h"
#include "workbench/host/ibw_layout.h"
#include "workbench/export/itx.h"
#include "workbench/export/pxp.h"
#include "workbench/export/session_dump.h"
#include "workbench/workbench.h"

namespace kwt {
namespace {

using test::ReadFile;
using test::RunAll;
using test::TempDir;
using test::WriteFile;

// Every field of every wave and variable, for comparing two sessions.
std::string Describe(Workbench& wb) {
  std::string out;
  std::function<void(const HostFolder&)> walk = [&](const HostFolder& f) {
    out += "folder " + f.Path(false) + "\n";
    for (const Variable& v : f.variables) {
      out += "var " + v.name + (v.isString ? " s=" + v.text : " n=");
      if (!v.isString) {
        char b[64];
        std::snprintf(b, sizeof b, "%a", v.number);
        out += b;
      }
      out += "\n";
    }
    for (const auto& w : f.waves) {
      char b[256];
      std::snprintf(b, sizeof b, "wave %s type %d n %lld x %a %a '%s' y %a %a '%s' fs %a %a '%s'\n",
                    w->name.c_str(), w->type, static_cast<long long>(w->points), w->dims[0].offset,
                    w->dims[0].delta, w->dims[0].units.c_str(), w->dims[1].offset, w->dims[1].delta,
                    w->dims[1].units.c_str(), w->fullScaleTop, w->fullScaleBottom,
                    w->dataUnits.c_str());
      out += b;
      out += "note[" + w->note + "]\n";
      out += "bytes[" + std::string(reinterpret_cast<const char*>(w->samples.data()), w->samples.size()) + "]\n";
      for (const auto& t : w->texts) out += "text[" + t + "]\n";
    }
    for (const auto& sub : f.folders) walk(*sub);
  };
  walk(wb.root());
  return out;
}

// A session with every wave type, special values, scaling of both
// dimensions, long units, a long note, variables and nested folders.
void BuildSession(Workbench& a) {
  RunAll(a, {"Make/O/N=5 f32 = {1.5, NaN, -INF, 3.4028235e38, 1e-45}",
            "Make/O/D/N=4 f64 = {0.1, NaN, INF, -2.2250738585072014e-308}",
            "SetScale/P x -0.001, 1e-4, \"s\", f64; SetScale d -3.2768e-8, 3.2767e-8, \"A\", f64",
            "SetScale/P y 2, 0.25, \"V\", f64; SetScale/P x 0, 1, \"millis\xb5\", f32",
            "Make/O/B/N=2 i8 = {-128, 127}; Make/O/B/U/N=2 u8 = {0, 255}",
            "Make/O/W/N=2 i16 = {-32768, 32767}; Make/O/W/U/N=1 u16 = {65535}",
            "Make/O/I/N=2 i32 = {-2147483648, 2147483647}; Make/O/I/U/N=1 u32 = {4294967295}",
            "Make/O/C/N=2 c64; c64 = p + 0.5",
            "Make/O/T/N=3 txt = {\"a \\\"quoted\\\" one\", \"\", \"back\\\\slash\\r\"}",
            "Make/O/N=0 empty"});
  // A note with every character that needs care, longer than one line.
  std::string note = "\rFilename:\tcell.dat;\rq\"uote\\ 20 \xba 5 \xb5M\n";
  for (int i = 0; i < 60; ++i) note += "Line " + std::to_string(i) + ":\t\"x\";\r";
  a.SetWaveNote(a.ResolveWave("f64"), note);
  RunAll(a, {"Variable/G n = 0.1, big = 1e300, nan = NaN; String/G s = \"two\\rlines \\\"q\\\"\"",
            "NewDataFolder/O/S 'my data'; Make/O/N=2 'w 1' = {7, 8}; Variable/G inner = -1",
            "NewDataFolder/O/S deeper; Make/O/D/N=1 d = {42}; SetDataFolder root:"});
  // Part of the complex wave's imaginary data, set directly.
  HostWave* c = a.ResolveWave("c64");
  const float imag = -0.25f;
  std::memcpy(c->samples.data() + 4, &imag, 4);
}

TEST(ItxFiles, SaveThenLoadReproducesTheSession) {
  TempDir dir;
  Workbench a;
  BuildSession(a);

  const std::string path = dir.File("s.itx");
  const std::string saved = SaveItx(a);
  ASSERT_TRUE(WriteFile(path, saved));
  // Every line fits the 400-byte command line of older hosts.
  size_t start = 0, longest = 0;
  for (size_t i = 0; i < saved.size(); ++i)
    if (saved[i] == '\r') {
      longest = std::max(longest, i - start);
      start = i + 1;
    }
  EXPECT_LT(longest, 400u);

  Workbench b;
  ASSERT_EQ(b.Run("LoadWave/T \"" + path + "\""), 0);
  EXPECT_EQ(Describe(b), Describe(a));
  EXPECT_EQ(&b.current(), &b.root()) << "loading leaves the current folder as it was";
  // Without /O, a second load refuses to replace the waves.
  EXPECT_EQ(b.Run("LoadWave/T \"" + path + "\""), kHostErrNameInUse);
  EXPECT_EQ(b.Run("LoadWave/T/O \"" + path + "\""), 0);
  EXPECT_EQ(Describe(b), Describe(a));
}

// The record of a little-endian binary wave file turned big-endian: every
// header number, each sample and each text end swapped, the checksum made
// again.
std::string BigEndian(std::string r) {
  using namespace ibw;
  auto bytes = [&r] { return std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(r.data()), r.size()); };
  auto swap = [&r](size_t at, size_t width) { std::reverse(r.begin() + at, r.begin() + at + width); };
  const ByteOrder le = ByteOrder::kLittle;
  const int32_t type = LoadI16(bytes(), kTypeAt, le);
  const size_t points = LoadU32(bytes(), kPointsAt, le);
  const size_t textEnds = LoadU32(bytes(), kSIndicesSizeAt, le);
  const size_t width = type == kWaveText ? 0 : HostWave::ElementSize(type) / (type & kWaveComplex ? 2 : 1);
  for (size_t i = 0; width > 1 && i < points * HostWave::ElementSize(type); i += width) swap(kHeaderBytes + i, width);
  for (size_t i = r.size() - textEnds; i < r.size(); i += 4) swap(i, 4);
  for (size_t at : {kVersionAt, kTypeAt, kWaveHeaderVersionAt, kFullScaleValidAt}) swap(at, 2);
  for (size_t at = kWfmSizeAt; at < kFileHeaderBytes; at += 4) swap(at, 4);
  for (size_t at : {kCreationDateAt, kModDateAt, kPointsAt}) swap(at, 4);
  for (size_t d = 0; d < kMaxDims; ++d) {
    swap(kDimSizeAt + 4 * d, 4);
    swap(kDimDeltaAt + 8 * d, 8);
    swap(kDimOffsetAt + 8 * d, 8);
  }
  swap(kTopFullScaleAt, 8);
  swap(kBottomFullScaleAt, 8);
  r[kChecksumAt] = r[kChecksumAt + 1] = 0;
  uint16_t sum = 0;
  for (size_t i = 0; i < kHeaderBytes; i += 2) sum = static_cast<uint16_t>(sum + LoadU16(bytes(), i, ByteOrder::kBig));
  r[kChecksumAt] = static_cast<char>(static_cast<uint16_t>(-sum) >> 8);
  r[kChecksumAt + 1] = static_cast<char>(-sum);
  return r;
}

class IbwFiles : public ::testing::TestWithParam<ByteOrder> {};

// Every wave goes to its own file and comes back through LoadWave exactly:
// samples bit for bit, scaling of both dimensions, units, full scale, note.
TEST_P(IbwFiles, SaveThenLoadReproducesEveryWave) {
  TempDir dir;
  Workbench a;
  BuildSession(a);
  std::string error;
  ASSERT_TRUE(SaveIbwFiles(a, dir.File("out/"), &error)) << error;

  Workbench b;
  std::function<void(const HostFolder&)> load = [&](const HostFolder& f) {
    if (f.parent == nullptr) ASSERT_EQ(b.Run("SetDataFolder root:"), 0);
    else ASSERT_EQ(b.Run("SetDataFolder " + f.parent->Path(true) + "; NewDataFolder/O/S " + QuoteNameIfNeeded(f.name)), 0);
    b.current().variables = f.variables;  // binary wave files hold waves only
    for (const auto& w : f.waves) {
      const std::string file = dir.File("out/" + FolderDir(f) + "/" + FileName(w->name) + ".ibw");
      std::string record = ReadFile(file);
      if (GetParam() == ByteOrder::kBig) record = BigEndian(record);
      ASSERT_TRUE(WriteFile(file, record));
      ASSERT_EQ(b.Run("LoadWave \"" + file + "\""), 0) << file;
    }
    for (const auto& sub : f.folders) load(*sub);
  };
  load(a.root());
  EXPECT_EQ(Describe(b), Describe(a));
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, IbwFiles, ::testing::Values(ByteOrder::kLittle, ByteOrder::kBig));

// Damaged files fail with the format code and say why; nothing is made.
TEST(IbwFiles, DamagedFilesSayWhy) {
  using namespace ibw;
  TempDir dir;
  Workbench a;
  RunAll(a, {"Make/O/N=4 w = {1, 2, 3, 4}; Note w, \"n\"", "Make/O/T/N=2 t = {\"ab\", \"c\"}"});
  std::string error;
  ASSERT_TRUE(SaveIbwFiles(a, dir.File("ok/"), &error)) << error;
  const std::string numbers = ReadFile(dir.File("ok/root/w.ibw"));
  const std::string texts = ReadFile(dir.File("ok/root/t.ibw"));
  // A number put into the record; the checksum is made again unless `keepSum`.
  struct Poke { size_t at; int bytes; int64_t value; };
  struct Case { const char* what; const std::string* base; std::vector<Poke> pokes; bool keepSum; size_t cut; const char* why; };
  const Case cases[] = {
      {"short", &numbers, {}, false, 100, "shorter than the headers"},
      {"old version", &numbers, {{kVersionAt, 2, 3}}, false, 0, "version 3 binary wave"},
      {"no version", &numbers, {{kVersionAt, 2, 0x700}}, false, 0, "not a binary wave file"},
      {"damaged header", &numbers, {{kNameAt, 1, 'x'}}, true, 0, "checksum does not match"},
      {"huge note", &numbers, {{kNoteSizeAt, 4, 1 << 30}}, false, 0, "asks for"},
      {"negative size", &numbers, {{kDimLabelsSizeAt, 4, -8}}, false, 0, "negative"},
      {"two dimensions", &numbers, {{kDimSizeAt + 4, 4, 2}}, false, 0, "more than one dimension"},
      {"unknown type", &numbers, {{kTypeAt, 2, 0x80}}, false, 0, "number type 128"},
      {"rows and points", &numbers, {{kDimSizeAt, 4, 3}}, false, 0, "4 points, but 3 rows"},
      {"too many points", &numbers, {{kPointsAt, 4, 5}, {kDimSizeAt, 4, 5}}, false, 0, "do not fit"},
      {"text ends go back", &texts, {{texts.size() - 4, 4, 1}}, false, 0, "ends outside"},
      {"no text ends", &texts, {{kSIndicesSizeAt, 4, 4}}, false, 0, "without the end"},
  };
  for (const Case& c : cases) {
    std::string r = *c.base;
    if (c.cut) r.resize(c.cut);
    for (const Poke& p : c.pokes)
      for (int i = 0; i < p.bytes; ++i) r[p.at + i] = static_cast<char>(p.value >> (8 * i));
    if (!c.keepSum && r.size() >= kHeaderBytes) {
      r[kChecksumAt] = r[kChecksumAt + 1] = 0;
      uint16_t sum = 0;
      for (size_t i = 0; i < kHeaderBytes; i += 2)
        sum = static_cast<uint16_t>(sum + (static_cast<uint8_t>(r[i]) | static_cast<uint8_t>(r[i + 1]) << 8));
      r[kChecksumAt] = static_cast<char>(-sum);
      r[kChecksumAt + 1] = static_cast<char>(static_cast<uint16_t>(-sum) >> 8);
    }
    ASSERT_TRUE(WriteFile(dir.File("bad.ibw"), r));
    Workbench wb;
    EXPECT_EQ(wb.Run("LoadWave \"" + dir.File("bad.ibw") + "\""), kHostErrFileFormat) << c.what;
    EXPECT_THAT(wb.results().back().diagnosis, ::testing::HasSubstr(c.why)) << c.what;
    EXPECT_TRUE(wb.root().waves.empty()) << c.what;
  }
  // An existing wave is replaced only with /O.
  EXPECT_EQ(a.Run("LoadWave \"" + dir.File("ok/root/w.ibw") + "\""), kHostErrNameInUse);
  EXPECT_EQ(a.Run("LoadWave/O \"" + dir.File("ok/root/w.ibw") + "\""), 0);
}

// A write that fails (a full disk) is reported, never taken for success.
TEST(PxpFiles, AFullDiskIsAnError) {
  Workbench a;
  RunAll(a, {"Make/O/N=100000 w"});
  std::string error;
  EXPECT_FALSE(SavePxp(a, "/dev/full", &error));
  EXPECT_THAT(error, ::testing::HasSubstr("No space left"));
  EXPECT_FALSE(SaveIbwFiles(a, "/dev/null/x/", &error));
}

TEST(ItxFiles, DamagedFilesFailWithACode) {
  TempDir dir;
  const std::pair<const char*, const char*> cases[] = {
      {"not igor", "WAVES w\rBEGIN\r1\rEND\r"},
      {"no end", "IGOR\rWAVES/D w\rBEGIN\r1\r2\r"},
      {"bad number", "IGOR\rWAVES/D w\rBEGIN\r1x\rEND\r"},
      {"missing column", "IGOR\rWAVES/D a b\rBEGIN\r1\t2\r3\rEND\r"},
      {"bad flag", "IGOR\rWAVES/Q w\rBEGIN\rEND\r"},
      {"stray line", "IGOR\rhello\r"},
  };
  for (const auto& [what, text] : cases) {
    Workbench wb;
    const std::string path = dir.File("bad.itx");
    ASSERT_TRUE(WriteFile(path, text));
    EXPECT_NE(wb.Run("LoadWave/T \"" + path + "\""), 0) << what;
  }
  Workbench wb;
  EXPECT_EQ(wb.Run("LoadWave/T \"" + dir.File("absent.itx") + "\""), kHostErrFileOpen);
  // A file of CRLF lines from another program reads the same.
  ASSERT_TRUE(WriteFile(dir.File("crlf.itx"), "IGOR\r\nWAVES/D\tw\r\nBEGIN\r\n\t1\r\n\t2\r\nEND\r\nX SetScale/P x 0,2,\"s\", w\r\n"));
  ASSERT_EQ(wb.Run("LoadWave/T \"" + dir.File("crlf.itx") + "\""), 0);
  EXPECT_EQ(wb.ResolveWave("w")->points, 2);
  EXPECT_EQ(wb.ResolveWave("w")->dims[0].delta, 2);
}

TEST(SessionDump, JsonListsResultsFilesAndWindows) {
  TempDir dir;
  Workbench wb;
  RunAll(wb, {"Make/O/N=3 w", "NewDataFolder/O/S 'a/b'; Make/O/I/N=2 k = {1, 2}; SetDataFolder root:",
             "Make/O/W/C/N=2 c", "Display w"});
  EXPECT_NE(wb.Run("nonsense"), 0);
  std::string error;
  ASSERT_TRUE(WriteSessionDump(wb, dir.path(), &error)) << error;

  // The waves' fields and samples are compared with an independent reader
  // of the saved experiment (igor_files_test.py); here what only the
  // session file says.
  const auto doc = nlohmann::json::parse(ReadFile(dir.File("session.json")));
  ASSERT_EQ(doc["results"].size(), 5u);
  EXPECT_EQ(doc["results"][4]["code"], kHostErrUnknownCommand);
  EXPECT_EQ(doc["waves"][2]["file"], "root/a%2Fb/k.npy") << "a folder name with a slash";
  EXPECT_TRUE(std::filesystem::exists(dir.File("root/a%2Fb/k.npy")));
  EXPECT_EQ(doc["windows"][0]["traces"][0]["wave"], "root:w");

  // A complex integer wave is two integers per point.
  if (!test::HaveNumpy()) GTEST_SKIP() << "no numpy for /usr/bin/python3";
  const auto r = test::RunProgram(
      "/usr/bin/python3", {"-c", "import numpy,sys; c=numpy.load(sys.argv[1]); print(c.dtype, c.shape)",
                           dir.File("root/c.npy")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "int16 (2, 2)\n");
}

}  // namespace
}  // namespace kwt
