// kwt calc and kwt --dialog, run as a user would from a shell.
#include <map>

#include "tests/kwt/kwt_fixture.h"

namespace kwt::test {
namespace {

TEST_F(KwtTest, CalcPrintsTheHistoryText) {
  const std::string patcher = "Patcher's Calculator\n [K]i                 140.00mM\n"
                              " [K]o                   5.00mM\n E rev K              -85.61mV\n";
  ExpectRuns({
      {{"calc", "buffer", "--total-ion", "1m", "--total-buffer", "10m", "--kd", "1u"}, 0,
       Eq("Calculation of Buffer Capacity\n"
          " Total ion:            1.00 mM\n"
          " Free ion:           111.10 nM\n"
          " Total buffer:        10.00 mM\n"
          " Free buffer:          9.00 mM\n"
          " Complexed buffer:   999.89 \xC2\xB5M\n"
          " K-Diss.:              1.00 \xC2\xB5M\n"
          " Buffering capacity: 8100.2\n"
          " max. Binding Ratio: 10000.0\n"),
       Eq("")},
      // UTF-8 micro from the shell reads as micro.
      {{"calc", "buffer", "--total-ion=1m", "--total-buffer=10m", "--kd=1\xC2\xB5"}, 0,
       HasSubstr(" Free ion:           111.10 nM\n")},
      // Calculate before To History would round the totals into the fields
      // and To History would solve again from them: 99.99 nM, not 100.00 nM.
      {{"calc", "buffer", "--free-ion", "100n", "--free-buffer", "10m", "--kd", "1u"}, 0,
       HasSubstr(" Total ion:            1.00 mM\n Free ion:           100.00 nM\n")},
      {{"calc", "freeca", "--buffer1", "EGTA", "--total1", "10m", "--total-ca", "1m",
        "--convergence", "0.001"},
       0, HasSubstr(" 1: EGTA     total  10.00 mM, free   9.00 mM\n")},
      {{"calc", "patcher", "--function", "Reversal Potential", "--quantity", "E rev K", "--p1", "140",
        "--p2", "5"},
       0, Eq(patcher)},
      {{"calc", "ljp", "--ion1", "Na", "--pip1", "50", "--ion2", "K", "--bath2", "50", "--ion3", "Cl",
        "--pip3", "50", "--bath3", "50", "--include9", "on", "--temperature", "20"},
       0,
       AllOf(HasSubstr(" 9. Free1 pip =   0.0, bath =   0.0, z = +0, u = 0.000\n"),
             HasSubstr(" Liquid junction potential: -4.29 mV\n"))},
  });
}

// Options that the calculator would misread, refuse or drop are refused
// before it runs, naming the option; what the calculator answers comes
// with the reason it leaves unsaid.
TEST_F(KwtTest, CalcRefusalsAndMessages) {
  std::vector<KwtCase> cases;
  const struct {
    std::vector<std::string> args;
    const char* error;
  } refused[] = {
      {{"buffer", "--total-ion", "1m", "--total-buffer", "10m", "--kd", "-1u"},
       "buffer: --kd -1u: the dissociation constant must be above 0"},
      {{"buffer", "--kd", "abc"}, "buffer: --kd abc: not a number"},
      {{"buffer", "--total-ion", "1M"}, "the prefix mega"},
      {{"buffer", "--total-salt", "1m"}, "buffer: no field \"total-salt\""},
      {{"buffer", "--capacity", "3"}, "\"capacity\" is computed"},
      {{"buffer", "--kd"}, "buffer: --kd needs a value"},
      {{"patcher", "--p1", "-10"}, "patcher: --p1 -10: Capacitance (pF) must be above 0"},
      {{"patcher", "--function", "Reversal Potential", "--quantity", "E rev K", "--p3", "5"},
       "E rev K takes no parameter 3"},
      {{"patcher", "--quantity", "E rev K"},
       "--quantity E rev K: no quantity of that name; one of:\n  Diameter, Surface, Volume, Capacitance\n"},
      {{"ljp", "--ion1", "Foo"}, "ljp: --ion1 Foo: no ion of that name; one of:\n  _none_, Na, K, Cl,"},
      {{"ljp", "--ion1", "Na", "--pip1", "1m"}, "--pip1 1m: not a plain number"},
      {{"ljp", "--pip3", "50"}, "--pip3 needs --ion3"},
      {{"ljp", "--ion1", "Na", "--temperature", "-300"}, "above absolute zero"},
      {{"ljp", "--include9", "maybe"}, "--include9 takes on or off"},
      {{"freeca", "--total1", "10m", "--total-ca", "1m"}, "--total1 needs --buffer1"},
      {{"freeca", "--buffer1", "EGTA", "--total1", "10m", "--total-ca", "1m", "--ph", "15"},
       "the pH must be from 0 to 14"},
      {{"nothing"}, "calc: no calculator \"nothing\""},
  };
  for (const auto& r : refused) {
    std::vector<std::string> args = {"calc"};
    args.insert(args.end(), r.args.begin(), r.args.end());
    cases.push_back({args, 2, Eq(""), HasSubstr(r.error)});
  }
  cases.insert(cases.end(), {
      {{"calc", "buffer", "--total-ion", "1m"}, 1, Eq(""),
       Eq("kwt: KWT Error: Dissociation constant is required for the calculation.\n")},
      {{"calc", "patcher", "--function", "Reversal Potential", "--quantity", "E rev K", "--p1", "140"},
       1, Eq(""),
       Eq("kwt: KWT Note: Calculation was not possible. (it needs [K]i and [K]o, neither negative)\n")},
      {{"calc", "buffer", "--total-ion", "1m", "--free-ion", "1u", "--kd", "1u"}, 1, Eq(""),
       HasSubstr("must be specified. (give --total-ion and --total-buffer, ")},
      // The junction calculator says so in the history text, not in a box.
      {{"calc", "ljp", "--ion1", "Na", "--pip1", "100", "--bath1", "100"}, 1,
       HasSubstr(" Calculation not possible!\n"),
       Eq("kwt: calc ljp: no junction potential: pipette and bath do not differ: "
          "sum of (bath - pip) u z^2 is 0\n")},
  });
  ExpectRuns(cases);
}

TEST_F(KwtTest, CalcHelpListsFieldsWithUnits) {
  ExpectRuns({
      {{"calc", "buffer", "--help"}, 0,
       AllOf(HasSubstr("  --total-ion      VALUE  M\n"), HasSubstr("  --kd             VALUE  M\n"),
             HasSubstr("complexed (M)"))},
      {{"calc", "ljp", "--help"}, 0,
       AllOf(HasSubstr("  --pip10          VALUE  mM\n"),
             HasSubstr("  --temperature    VALUE  deg. C, default 20\n"), HasSubstr("2MAEth"))},
      {{"calc", "patcher", "--help"}, 0,
       HasSubstr("--quantity \"E rev K\": [K]i (mM), [K]o (mM) -> E rev K (mV)")},
  });
}

// The texts of the controls of the first dialog run in a session file.
std::map<int, std::string> ControlTexts(const nlohmann::json& doc) {
  std::map<int, std::string> texts;
  for (const auto& c : doc["dialogs"][0]["controls"]) texts[c["id"].get<int>()] = c["text"].get<std::string>();
  return texts;
}

TEST_F(KwtTest, DialogRunsInTheSessionFile) {
  const std::string prefs = dir_.File("p.bin"), dump = dir_.File("dump");
  auto r = RunKwt({"-q", "--prefs", prefs, "--dump", dump, "--dialog", "Buffer Capacity", "--set",
                   "9=1m", "--set", "10=10m", "--set", "14=1u", "--press", "1", "--press", "3",
                   "--press", "1", "--press", "2"});
  ASSERT_EQ(r.status, 0) << r.err;
  auto doc = Session(dump);
  ASSERT_EQ(doc["dialogs"].size(), 1u);
  const auto& run = doc["dialogs"][0];
  EXPECT_EQ(nlohmann::json({run["title"], run["ended_by"], run["result"]}),
            nlohmann::json({"Calculate Buffer Capacity", "dialog", 2}));
  EXPECT_EQ(ControlTexts(doc)[14], "  1.00 \xC2\xB5") << "in UTF-8";
  EXPECT_THAT(doc["history"].get<std::string>(), HasSubstr(" Buffering capacity: 8100.2\n"));

  // Exit stored the settings where --prefs said, for the next session.
  r = RunKwt({"-q", "--prefs", prefs, "--dump", dump, "--dialog", "9"});
  ASSERT_EQ(r.status, 0) << r.err;
  doc = Session(dump);
  EXPECT_EQ(doc["dialogs"][0]["ended_by"], "script");
  EXPECT_EQ(ControlTexts(doc)[9], "  1.00 m");

  // The actions run in their order: the second result follows the second
  // text.
  r = RunKwt({"-q", "--prefs", prefs, "--dump", dump, "--dialog", "patcher", "--set", "9=10",
              "--press", "1", "--set", "9=40", "--press", "1"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ControlTexts(Session(dump))[11], "4000");
}

TEST_F(KwtTest, DialogScriptsTheUserCouldNotRun) {
  const std::vector<std::string> session = {"-q", "--prefs", dir_.File("p.bin"), "--dialog"};
  auto with = [&](std::vector<std::string> rest) {
    std::vector<std::string> args = session;
    args.insert(args.end(), rest.begin(), rest.end());
    return args;
  };
  ExpectRuns({
      {with({"No Such Item"}), 2},
      {with({"Buffer Capacity", "--set", "99=1", "--press", "1"}), 2, Eq(""),
       HasSubstr("action 1 (set 99=1): the dialog has no control 99")},
      {with({"About KWT...", "--press", "1", "--press", "1"}), 2, Eq(""), HasSubstr("1 actions left")},
      {with({"About KWT", "--press", "one"}), 2},
      // An answer for a file dialog that is not open.
      {with({"Load X-Chart File", "--file", "/x.tree"}), 2, Eq(""),
       HasSubstr("no file dialog is open")},
  });
}

}  // namespace
}  // namespace kwt::test
