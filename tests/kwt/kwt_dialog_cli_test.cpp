// kwt calc and kwt --dialog, run as a user would from a shell.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

namespace {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A path of its own for this test process: CTest runs tests side by side.
std::string Temp(const std::string& name) {
  return ::testing::TempDir() + "/" + name + "-" + std::to_string(getpid());
}

// Runs kwt with `args` (already quoted for the shell).
Outcome Kwt(const std::string& args) {
  const std::string err = Temp("kwt-cli-stderr.txt");
  const std::string command = std::string("'") + KWT_BINARY + "' " + args + " 2>'" + err + "'";
  Outcome o;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return o;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) o.out.append(buf, n);
  const int raw = pclose(pipe);
  o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  o.err = ReadFile(err);
  std::remove(err.c_str());
  return o;
}

TEST(KwtCalc, BufferPrintsTheHistoryText) {
  const Outcome o = Kwt("calc buffer --total-ion 1m --total-buffer 10m --kd 1u");
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out,
            "Calculation of Buffer Capacity\n"
            " Total ion:            1.00 mM\n"
            " Free ion:           111.10 nM\n"
            " Total buffer:        10.00 mM\n"
            " Free buffer:          9.00 mM\n"
            " Complexed buffer:   999.89 \xC2\xB5M\n"
            " K-Diss.:              1.00 \xC2\xB5M\n"
            " Buffering capacity: 8100.2\n"
            " max. Binding Ratio: 10000.0\n");
  EXPECT_EQ(o.err, "");
}

TEST(KwtCalc, EachCalculator) {
  Outcome o = Kwt("calc freeca --buffer1 EGTA --total1 10m --total-ca 1m --convergence 0.001");
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find(" 1: EGTA     total  10.00 mM, free   9.00 mM\n"), std::string::npos) << o.out;
  o = Kwt("calc patcher --function 'Reversal Potential' --quantity 'E rev K' --p1 140 --p2 5");
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "Patcher's Calculator\n [K]i                 140.00mM\n [K]o                   5.00mM\n"
                   " E rev K              -85.61mV\n");
  // UTF-8 micro from the shell reads as micro.
  o = Kwt("calc buffer --total-ion=1m --total-buffer=10m --kd=1\xC2\xB5");
  EXPECT_EQ(o.status, 0) << o.err;
  o = Kwt("calc ljp --ion1 Na --pip1 50 --ion2 K --bath2 50 --ion3 Cl --pip3 50 --bath3 50 "
          "--include9 on --temperature 20");
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find(" 9. Free1 pip =   0.0, bath =   0.0, z = +0, u = 0.000\n"), std::string::npos);
  EXPECT_NE(o.out.find(" Liquid junction potential: -4.29 mV\n"), std::string::npos) << o.out;
}

TEST(KwtCalc, ToHistoryPrintsTheExactResult) {
  // Calculate before To History would round the totals into the fields and
  // To History would solve again from them: 99.99 nM instead of 100.00 nM.
  const Outcome o = Kwt("calc buffer --free-ion 100n --free-buffer 10m --kd 1u");
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find(" Total ion:            1.00 mM\n Free ion:           100.00 nM\n"),
            std::string::npos)
      << o.out;
}

// Options that the calculator would misread, refuse or drop are refused
// before it runs, naming the option.
TEST(KwtCalc, ChecksEachOption) {
  const struct {
    const char* args;
    const char* error;
  } kCases[] = {
      {"buffer --total-ion 1m --total-buffer 10m --kd -1u",
       "buffer: --kd -1u: the dissociation constant must be above 0"},
      {"buffer --total-ion 1m --total-buffer 10m --kd abc", "buffer: --kd abc: not a number"},
      {"buffer --total-ion 1M --total-buffer 10m --kd 1u", "the prefix mega"},
      {"buffer --total-salt 1m", "buffer: no field \"total-salt\""},
      {"buffer --capacity 3", "\"capacity\" is computed"},
      {"buffer --kd", "buffer: --kd needs a value"},
      {"patcher --p1 -10", "patcher: --p1 -10: Capacitance (pF) must be above 0"},
      {"patcher --function 'Reversal Potential' --quantity 'E rev K' --p3 5",
       "E rev K takes no parameter 3"},
      {"patcher --quantity 'E rev K'", "--quantity E rev K: no quantity of that name; one of:\n"
                                       "  Diameter, Surface, Volume, Capacitance\n"},
      {"ljp --ion1 Foo", "ljp: --ion1 Foo: no ion of that name; one of:\n  _none_, Na, K, Cl,"},
      {"ljp --ion1 Na --pip1 1m", "--pip1 1m: not a plain number"},
      {"ljp --pip3 50", "--pip3 needs --ion3"},
      {"ljp --ion1 Na --temperature -300", "above absolute zero"},
      {"ljp --include9 maybe", "--include9 takes on or off"},
      {"freeca --buffer1 Unobtainium --total-ca 1m", "--buffer1 Unobtainium: no buffer of that"},
      {"freeca --total1 10m --total-ca 1m", "--total1 needs --buffer1"},
      {"freeca --buffer1 EGTA --total1 10m --total-ca 1m --ph 15", "the pH must be from 0 to 14"},
      {"nothing", "calc: no calculator \"nothing\""},
  };
  for (const auto& c : kCases) {
    const Outcome o = Kwt(std::string("calc ") + c.args);
    EXPECT_EQ(o.status, 2) << c.args;
    EXPECT_EQ(o.out, "") << c.args;
    EXPECT_NE(o.err.find(c.error), std::string::npos) << c.args << "\n" << o.err;
  }
}

// What the calculator answers, with the reason it leaves unsaid.
TEST(KwtCalc, MessagesWithTheirReasons) {
  Outcome o = Kwt("calc buffer --total-ion 1m");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(o.err, "kwt: KWT Error: Dissociation constant is required for the calculation.\n");
  o = Kwt("calc patcher --function 'Reversal Potential' --quantity 'E rev K' --p1 140");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "kwt: KWT Note: Calculation was not possible. (it needs [K]i and [K]o, "
                   "neither negative)\n");
  o = Kwt("calc buffer --total-ion 1m --free-ion 1u --kd 1u");
  EXPECT_NE(o.err.find("must be specified. (give --total-ion and --total-buffer, "),
            std::string::npos)
      << o.err;
  // The junction calculator says so in the history text, not in a box.
  o = Kwt("calc ljp --ion1 Na --pip1 100 --bath1 100");
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.out.find(" Calculation not possible!\n"), std::string::npos);
  EXPECT_EQ(o.err, "kwt: calc ljp: no junction potential: pipette and bath do not differ: "
                   "sum of (bath - pip) u z^2 is 0\n");
}

TEST(KwtCalc, HelpListsFieldsWithUnits) {
  Outcome o = Kwt("calc buffer --help");
  EXPECT_EQ(o.status, 0);
  for (const char* line : {"  --total-ion      VALUE  M\n", "  --kd             VALUE  M\n"})
    EXPECT_NE(o.out.find(line), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("complexed (M)"), std::string::npos);
  o = Kwt("calc ljp --help");
  EXPECT_NE(o.out.find("  --pip10          VALUE  mM\n"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("  --temperature    VALUE  deg. C, default 20\n"), std::string::npos);
  EXPECT_NE(o.out.find("2MAEth"), std::string::npos);
  o = Kwt("calc patcher --help");
  EXPECT_NE(o.out.find("--quantity \"E rev K\": [K]i (mM), [K]o (mM) -> E rev K (mV)"),
            std::string::npos);
  o = Kwt("calc --help");
  EXPECT_EQ(o.status, 0);
  EXPECT_NE(o.out.find("  freeca "), std::string::npos);
}

TEST(KwtDialog, ScriptedRunInSessionJson) {
  const std::string dir = Temp("kwt-dialog-dump");
  const std::string prefs = Temp("kwt-dialog-prefs.bin");
  std::remove(prefs.c_str());
  const Outcome o = Kwt("-q --prefs '" + prefs + "' --dump '" + dir +
                        "' --dialog 'Buffer Capacity' --set 9=1m --set 10=10m --set 14=1u "
                        "--press 1 --press 3 --press 1 --press 2");
  EXPECT_EQ(o.status, 0) << o.err;
  const nlohmann::json doc = nlohmann::json::parse(ReadFile(dir + "/session.json"));
  ASSERT_EQ(doc["dialogs"].size(), 1u);
  const auto& run = doc["dialogs"][0];
  EXPECT_EQ(run["title"], "Calculate Buffer Capacity");
  EXPECT_EQ(run["ended_by"], "dialog");
  EXPECT_EQ(run["result"], 2);
  std::map<int, std::string> texts;
  for (const auto& c : run["controls"]) texts[c["id"].get<int>()] = c["text"].get<std::string>();
  EXPECT_EQ(texts[11], "111.10 n");
  EXPECT_EQ(texts[14], "  1.00 \xC2\xB5");
  EXPECT_EQ(texts[18], "  8.10 k");
  EXPECT_NE(doc["history"].get<std::string>().find(" Buffering capacity: 8100.2\n"), std::string::npos);
  // Exit stored the settings where --prefs said.
  const Outcome again = Kwt("-q --prefs '" + prefs + "' --dump '" + dir + "' --dialog 9");
  EXPECT_EQ(again.status, 0) << again.err;
  const nlohmann::json doc2 = nlohmann::json::parse(ReadFile(dir + "/session.json"));
  std::filesystem::remove_all(dir);
  EXPECT_EQ(doc2["dialogs"][0]["ended_by"], "script");
  for (const auto& c : doc2["dialogs"][0]["controls"])
    if (c["id"] == 9) {
      EXPECT_EQ(c["text"], "  1.00 m");
    }
  std::remove(prefs.c_str());
}

TEST(KwtDialog, OrderOfActionsIsKept) {
  // The field is typed, calculated, retyped and calculated again: the
  // second result must follow the second text.
  const std::string dir = Temp("kwt-dialog-order");
  const Outcome o = Kwt("-q --dump '" + dir + "' --prefs '" + Temp("kwt-order-prefs.bin") +
                        "' --dialog patcher --set 9=10 --press 1 --set 9=40 "
                        "--press 1");
  EXPECT_EQ(o.status, 0) << o.err;
  const nlohmann::json doc = nlohmann::json::parse(ReadFile(dir + "/session.json"));
  std::filesystem::remove_all(dir);
  std::remove(Temp("kwt-order-prefs.bin").c_str());
  for (const auto& c : doc["dialogs"][0]["controls"])
    if (c["id"] == 11) {
      EXPECT_EQ(c["text"], "4000");
    }
}

TEST(KwtDialog, BadScripts) {
  const std::string prefs = "--prefs '" + Temp("kwt-bad-prefs.bin") + "' ";
  Outcome o = Kwt("-q " + prefs + "--dialog 'No Such Item'");
  EXPECT_EQ(o.status, 2);
  o = Kwt("-q " + prefs + "--dialog 'Buffer Capacity' --set 99=1 --press 1");
  EXPECT_EQ(o.status, 2);
  EXPECT_NE(o.err.find("action 1 (set 99=1): the dialog has no control 99"), std::string::npos) << o.err;
  o = Kwt("-q " + prefs + "--dialog 'About KWT...' --press 1 --press 1");
  EXPECT_EQ(o.status, 2);
  EXPECT_NE(o.err.find("1 actions left"), std::string::npos) << o.err;
  o = Kwt("-q " + prefs + "--dialog 'About KWT' --press one");
  EXPECT_EQ(o.status, 2);
  o = Kwt("-q " + prefs + "--dialog 'Load X-Chart File' --file /x.tree");
  EXPECT_EQ(o.status, 2);
  EXPECT_NE(o.err.find("no file dialog is open"), std::string::npos) << o.err;
}

}  // namespace
