// The kwt program as a scientist runs it from a shell: exit status and
// messages, scripts, help, and the files it writes.
#include <sys/stat.h>

#include "tests/kwt/kwt_fixture.h"

namespace kwt::test {
namespace {

TEST_F(KwtTest, ExitStatusAndMessages) {
  ASSERT_TRUE(WriteFile(dir_.File("s.txt"), "Variable/G v = 6\r\nprint v * 7\n"));
  const std::string fifo = dir_.File("cell.dat");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string readOnly = dir_.File("p.bin");
  ASSERT_TRUE(WriteFile(readOnly, "x"));
  ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
  std::vector<KwtCase> cases = {
      // -q keeps the history off standard output; each failure stands on a
      // line of its own, with the module's text for its codes.
      {{"-q", "Make/O/N=1 a", "Make a", "KillWaves nothere"}, 1, Eq(""),
       Eq("kwt: error 13: name already in use\n"
          "kwt: error 3: no wave of that name; no wave named nothere\n")},
      {{"-q", "Make/O w0 = {1, 2}", "AutoStats w0"}, 1, Eq(""),
       Eq("kwt: error 10001: Not enough input waves. At least two waves are needed to make "
          "statistics\n")},
      {{"-q", "LoadPulse \"/nonexistent/cell.dat\""}, 1, Eq(""), StartsWith("kwt: error ")},
      // What print prints stays under -q.
      {{"-q", "Variable v = 6", "print v * 7, \"done\""}, 0, Eq("42 done\n"), Eq("")},
      // Scripts from a file (CRLF lines) and from standard input.
      {{"-s", dir_.File("s.txt")}, 0, HasSubstr("  42\n")},
      {{"-s", "-"}, 0, HasSubstr("  from stdin\n"), Eq(""), "print \"from stdin\"\n"},
      // Exit cannot store the settings: the host's alert and the module's.
      {{"-q", "--prefs", readOnly, "--dialog", "Buffer Capacity", "--press", "2"}, 1, Eq(""),
       Eq("kwt: KWT Preferences: the settings could not be stored in " + readOnly +
          ": the file is read-only\nkwt: KWT Error: The calculator settings could not be stored.\n")},
      // Files that are no regular files are refused, not read.
      {{"info", fifo}, 1, Eq(""), HasSubstr(fifo + ": not a regular file (a FIFO)")},
      {{"info", "/dev/zero"}, 1, Eq(""), HasSubstr("/dev/zero: not a regular file (a character device)")},
      // Help: nothing to do is bad usage; every value has a name of its own.
      {{}, 2, Eq(""), AllOf(HasSubstr("Usage: kwt"), HasSubstr("Examples:"))},
      {{"--help"}, 0,
       AllOf(HasSubstr("--script FILE"), HasSubstr("--dump DIR"), HasSubstr("--plot-size WxH"),
             HasSubstr("--answer yes|no"), HasSubstr("--set ID=TEXT"), HasSubstr("  kwt calc buffer "),
             Not(HasSubstr(" TEXT  ")))},
      {{"help"}, 0, AllOf(HasSubstr("\n  LoadPM "), HasSubstr("\n  KillWaves "))},
      {{"help", "LoadPMX"}, 2, Eq(""), HasSubstr("no operation or command named \"LoadPMX\"")},
      // An operation's help, asked for or typed in a quiet session.
      {{"help", "LoadPM"}, 0, HasSubstr("\n  /Z             subtract the trace's zero offset")},
      {{"-q", "LoadPM/?"}, 0, HasSubstr("\n  /Z             subtract the trace's zero offset")},
      // Bad usage of kwt itself.
      {{"--no-such-option"}, 2},
      {{"--answer", "maybe", "print 1"}, 2},
      {{"-s", dir_.File("missing.txt")}, 2},
  };
  for (const char* size : {"400", "0x300", "400x", "x300", "99999x10", "4e2x300", "400x300x2"})
    cases.push_back({{"--plot", dir_.File("plot"), "--plot-size", size, "print 1"}, 2});
  ExpectRuns(cases);
}

TEST_F(KwtTest, DumpEchoesTheHistoryAndWritesTheSession) {
  const auto r = RunKwt({"--dump", dir_.File("out"), "Make/O/N=3 w", "w = {1, NaN, 3}",
                         "SetScale/P x 0, 0.5, \"s\", w"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "\xe2\x80\xa2Make/O/N=3 w\n\xe2\x80\xa2w = {1, NaN, 3}\n"
                   "\xe2\x80\xa2SetScale/P x 0, 0.5, \"s\", w\n");
  EXPECT_EQ(Session(dir_.File("out"))["waves"][0]["x_units"], "s");
}

// (Saved files load back: see the folders in any language below.)
TEST_F(KwtTest, SessionIsSavedEvenWhenACommandOrThePicturesFail) {
  ASSERT_TRUE(WriteFile(dir_.File("file"), "x"));
  const ProcessResult r = RunKwt({"-q", "--plot", dir_.File("file/sub"), "--save", dir_.File("f.itx"),
                                  "Make/O/N=1 kept", "Display kept", "bad"});
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("kwt: cannot make the folder"));
  EXPECT_THAT(ReadFile(dir_.File("f.itx")), HasSubstr("kept"));
}

TEST_F(KwtTest, PlotWritesEveryGraphAndTable) {
  const std::string out = dir_.File("pictures/new");
  const auto r = RunKwt({"--plot", out, "--plot-size", "400x300", "Make/O/N=20 w = p", "Display w",
                         "ModifyGraph frob(w)=2,lsize=2", "Edit w", "Display w; AppendToGraph w"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(r.out, HasSubstr("  Graph0: ModifyGraph frob(w)=2: unknown keyword frob; left out of "
                               "the picture\n"));
  for (const char* name :
       {"Graph0.png", "Graph0.svg", "Graph1.png", "Graph1.svg", "Table0.csv", "index.html"})
    EXPECT_TRUE(std::filesystem::exists(out + "/" + name)) << name;
  EXPECT_FALSE(std::filesystem::exists(out + "/Graph0.png.part"));
  const std::string png = ReadFile(out + "/Graph0.png");
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(png.substr(0, 4), "\x89PNG");
  EXPECT_EQ(png.substr(16, 8), std::string("\0\0\x01\x90\0\0\x01\x2c", 8)) << "400 x 300";
}

TEST_F(KwtTest, FileOptionsTakeFoldersInAnyLanguage) {
  // One name the host's code page holds, one it does not.
  for (const char* name : {"r_\xc3\xa9", "c_\xe6\x95\xb0\xe6\x8d\xae"}) {
    const std::string folder = dir_.File(name);
    std::filesystem::create_directory(folder);
    ASSERT_TRUE(WriteFile(folder + "/s.txt", "Make/O/N=2 w = {1, 2}\nDisplay w\n"));
    auto r = RunKwt({"-q", "--prefs", folder + "/p.bin", "-s", folder + "/s.txt", "--save",
                     folder + "/s.itx", "--dump", folder + "/dump", "--plot", folder + "/plot",
                     "--dialog", "Buffer Capacity", "--press", "2"});
    ASSERT_EQ(r.status, 0) << name << ": " << r.err;
    for (const char* made : {"/p.bin", "/dump/session.json", "/plot/Graph0.svg"})
      EXPECT_TRUE(std::filesystem::exists(folder + made)) << name << made;
    // The path also reads from a string variable.
    r = RunKwt({"-q", "String/G p = \"" + folder + "/s.itx\"", "LoadWave/T $p", "print w[1]"});
    EXPECT_EQ(r.status, 0) << name << ": " << r.err;
    EXPECT_EQ(r.out, "2\n") << name;
  }
}

}  // namespace
}  // namespace kwt::test
