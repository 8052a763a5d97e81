// What the workbench writes: Igor text files (and reading them back) and
// the session dump.
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
#include "workbench/export/itx.h"
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

TEST(ItxFiles, SaveThenLoadReproducesTheSession) {
  TempDir dir;
  Workbench a;
  RunAll(a, {"Make/O/N=5 f32 = {1.5, NaN, -INF, 3.4028235e38, 1e-45}",
            "Make/O/D/N=4 f64 = {0.1, NaN, INF, -2.2250738585072014e-308}",
            "SetScale/P x -0.001, 1e-4, \"s\", f64; SetScale d -3.2768e-8, 3.2767e-8, \"A\", f64",
            "SetScale/P y 2, 0.25, \"V\", f64",
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

TEST(SessionDump, JsonAndNpyFilesDescribeTheSession) {
  TempDir dir;
  Workbench wb;
  RunAll(wb, {"Make/O/N=3 w",
             "w = {1, NaN, 3}",
             "SetScale/P x 0, 0.5, \"s\", w; Note w, \"20 \xba\"",
             "Variable/G kwtActGroup = 1; String/G stimString = \"IV\"",
             "NewDataFolder/O/S 'a/b'; Make/O/I/N=2 k = {1, 2}; SetDataFolder root:",
             "Display w"});
  EXPECT_NE(wb.Run("nonsense"), 0);
  std::string error;
  ASSERT_TRUE(WriteSessionDump(wb, dir.path(), &error)) << error;

  const auto doc = nlohmann::json::parse(ReadFile(dir.File("session.json")));
  ASSERT_EQ(doc["results"].size(), 7u);
  EXPECT_EQ(doc["results"][6]["code"], kHostErrUnknownCommand);
  EXPECT_EQ(doc["variables"]["root:kwtActGroup"]["value"], 1);
  EXPECT_EQ(doc["variables"]["root:stimString"]["value"], "IV");
  // The note is converted to UTF-8.
  const nlohmann::json w = {{"path", "root:w"}, {"type", "float32"}, {"points", 3}, {"x_delta", 0.5},
                            {"x_units", "s"},   {"note", "20 \xc2\xba"}, {"file", "root/w.npy"}};
  for (const auto& [key, value] : w.items()) EXPECT_EQ(doc["waves"][0][key], value) << key;
  EXPECT_EQ(doc["waves"][1]["file"], "root/a%2Fb/k.npy") << "a folder name with a slash";
  EXPECT_THAT(doc["history"].get<std::string>(), ::testing::HasSubstr("\xe2\x80\xa2Make/O/N=3 w\n"));
  EXPECT_EQ(doc["windows"][0]["traces"][0]["wave"], "root:w");
  EXPECT_TRUE(std::filesystem::exists(dir.File("root/a%2Fb/k.npy")));

  if (!test::HaveNumpy()) GTEST_SKIP() << "no numpy for /usr/bin/python3";
  const auto r = test::RunProgram(
      "/usr/bin/python3",
      {"-c", "import numpy,sys; a=numpy.load(sys.argv[1]); b=numpy.load(sys.argv[2]);"
             "print(a.dtype, a.tolist(), b.dtype, b.tolist())",
       dir.File("root/w.npy"), dir.File("root/a%2Fb/k.npy")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "float32 [1.0, nan, 3.0] int32 [1, 2]\n");
}

}  // namespace
}  // namespace kwt
