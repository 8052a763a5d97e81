// The calculator dialogs, opened from the menu and run by the scripted
// driver: one run of each from its fields to the history, the corrections
// and messages it shows, and its stored settings.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "calculators/buffer_capacity.h"
#include "calculators/patcher.h"
#include "resources/dialogs.h"
#include "resources/resources.h"
#include "workbench/workbench.h"

namespace kwt {
namespace {

using Action = DialogAction;
using Texts = std::vector<std::pair<int32_t, std::string>>;

// The buttons every calculator has, and the menu items.
enum Button : int32_t { kCalculate = 1, kExit, kToHistory };
enum MenuItem : int32_t { kFreeCaMgItem = 8, kBufferItem, kPatcherItem, kJunctionItem, kAboutItem = 13 };

// Offsets in the buffer calculator's stored record.
enum BufferRecord : size_t { kCalculatorWord = 1858, kTotalIon = 1868, kKd = 1900, kBufferRecordSize = 2328 };

class CalculatorDialogs : public ::testing::Test {
 protected:
  CalculatorDialogs() : wb_(Workbench::Options{.memoryPrefs = true}) {}

  // Opens the dialog of a menu item and runs the actions in it.
  const DialogRecord& Open(int32_t item, std::vector<Action> actions, int32_t* menuResult = nullptr) {
    const size_t before = wb_.dialogs().runs().size();
    wb_.dialogs().SetScript(std::move(actions));
    const int32_t result = wb_.ChooseMenuItem(item);
    if (menuResult != nullptr) *menuResult = result;
    EXPECT_EQ(wb_.dialogs().runs().size(), before + 1) << "menu item " << item;
    const DialogRecord& run = *wb_.dialogs().lastRun();
    EXPECT_TRUE(run.problems.empty()) << run.problems.front();
    return run;
  }

  // The alerts of a run, as "title: text".
  static std::vector<std::string> Alerts(const DialogRecord& run) {
    std::vector<std::string> out;
    for (const auto& e : run.events)
      if (e.kind == "alert") out.push_back(e.title + ": " + e.text);
    return out;
  }

  static void ExpectTexts(const DialogRecord& run, const Texts& texts) {
    for (const auto& [control, text] : texts) EXPECT_EQ(run.Text(control), text) << "control " << control;
  }

  // Stores a preferences record as if another program had written it.
  void StorePrefs(const std::vector<uint8_t>& record) { ASSERT_EQ(wb_.SavePrefs(record), 0); }

  Workbench wb_;
};

TEST_F(CalculatorDialogs, MenuItemsOpenTheirDialogs) {
  const std::tuple<int32_t, int32_t, const char*, int32_t> cases[] = {
      {kFreeCaMgItem, resources::kFreeCaMgDialogId, "Calculate free Calcium & Magnesium", 0},
      {kBufferItem, resources::kBufferCapacityDialogId, "Calculate Buffer Capacity", -1},
      {kPatcherItem, resources::kPatcherDialogId, "Patcher's Calculator", 0},
      {kJunctionItem, resources::kJunctionPotentialDialogId, "Liquid Junction Potential", 0},
      {kAboutItem, resources::kAboutDialogId, "About KWT", 0},
  };
  for (const auto& [item, dialog, title, result] : cases) {
    int32_t got = 99;
    const DialogRecord& run = Open(item, {}, &got);
    EXPECT_EQ(std::make_tuple(run.id, run.title, got), std::make_tuple(dialog, title, result));
  }
  EXPECT_EQ(wb_.history(), "");
}

// ---- One run of each calculator ----------------------------------------------------

TEST_F(CalculatorDialogs, BufferCapacityRun) {
  const DialogRecord& run =
      Open(kBufferItem, {Action::SetText(9, "1m"), Action::Press(kCalculate), Action::SetText(14, "1u"),
                         Action::Press(kToHistory), Action::SetText(10, "10m"), Action::Press(kCalculate),
                         Action::Press(kToHistory), Action::Press(kCalculate), Action::Press(kToHistory)});
  // The messages add nothing to the history.  The second round reads what
  // the first wrote, the micro sign included, and gives the same result.
  EXPECT_EQ(Alerts(run), (std::vector<std::string>{
                             "KWT Error: Dissociation constant is required for the calculation.",
                             "KWT Error: Two values (free or total concentration) must be specified."}));
  BufferCapacityResult r;
  CalculatorMessage m;
  ASSERT_TRUE(CalculateBufferCapacity({1e-3, std::nullopt, 10e-3, std::nullopt, 1e-6}, &r, &m));
  EXPECT_EQ(run.history, BufferCapacityHistory(r) + BufferCapacityHistory(r));
  ExpectTexts(run, {{9, "  1.00 m"}, {11, "111.10 n"}, {10, " 10.00 m"}, {12, "  9.00 m"},
                    {14, "  1.00 \xB5"}, {16, "999.89 \xB5"}, {18, "  8.10 k"}, {24, " 10.00 k"}});
}

TEST_F(CalculatorDialogs, FreeCaMgRun) {
  const DialogRecord& run = Open(
      kFreeCaMgItem,
      {// Nothing to compute yet.
       Action::Press(kCalculate), Action::SetText(21, "1m"), Action::Press(kCalculate),
       // EGTA in row 1, ATP in row 4.
       Action::ChooseText(5, "EGTA"), Action::SetText(14, "10m"), Action::ChooseText(8, "ATP"),
       Action::SetText(17, "4m"), Action::SetText(20, "2m"), Action::SetText(35, "0.001"),
       Action::Press(kToHistory),
       // Row 1 loses its total, and its free value from the first result
       // with it.
       Action::SetText(14, ""), Action::ChooseText(6, "BAPTA"), Action::SetText(15, "1m"),
       // Iterations 3 become 10, too few for 0.001 %: a note, and the
       // results stand all the same.
       Action::SetText(36, "3"), Action::SetText(38, ""), Action::SetText(40, "-1"), Action::Press(kCalculate),
       // "_none_" empties row 4's free field; choosing a buffer gives its
       // total field the focus.
       Action::Choose(8, 1), Action::ChooseText(7, "BAPTA")});
  EXPECT_EQ(Alerts(run), (std::vector<std::string>{
                             "KWT Error: Total ion concentration (Calcium and/or Magnesium) required!",
                             "KWT Error: At least one buffer is required!",
                             "KWT Note: Maximal number of iterations reached. Please, increase value!"}));
  // The popups list "_none_", "-" and the 25 buffers.
  ASSERT_EQ(run.Find(5)->items.size(), 27u);
  EXPECT_EQ(run.Find(10)->items[26], "TPEN");
  // Rows keep their dialog numbers in the history.
  EXPECT_EQ(run.history.rfind("Calculation of free Calcium & Magnesium\r", 0), 0u);
  for (const char* line : {" 4: ATP      total   4.00 mM, free   2.03 mM\r", " Calcium:    total   1.00 mM, free  11.62 nM\r"})
    EXPECT_NE(run.history.find(line), std::string::npos) << line;
  EXPECT_EQ(run.history.find("Calculation", 1), std::string::npos) << "one history text";
  ExpectTexts(run, {{23, ""}, {26, ""}, {17, "4m"}, {36, "10"}, {38, "7.2"}, {40, "0.00"}, {35, "0.001"}});
  EXPECT_NE(run.Text(24), "");
  EXPECT_EQ(std::make_pair(run.focus, run.focusSelectsAll), std::make_pair(16, true));
}

TEST_F(CalculatorDialogs, PatcherGeometryToHistory) {
  const DialogRecord& run = Open(kPatcherItem, {Action::SetText(9, "10"), Action::Press(kToHistory)});
  // It opens on Geometry / Diameter.
  ExpectTexts(run, {{5, "Geometry"}, {15, "Diameter"}, {6, "Capacitance"}, {8, "Surface"},
                    {13, "\xB5m3"}, {17, "\xB5m"},
                    {9, "10"}, {10, "2973.54"}, {11, "1000"}, {16, "17.8412"}});
  PatcherValues v{{10.0, NAN, NAN}, NAN};
  ASSERT_TRUE(CalculatePatcherFormula(0, &v));
  EXPECT_EQ(run.history, PatcherHistory(0, v));
}

TEST_F(CalculatorDialogs, PatcherChoicesRelabelAndEmptyTheFields) {
  const DialogRecord& run =
      Open(kPatcherItem, {Action::SetText(9, "10"), Action::ChooseText(5, "Reversal Potential"),
                          Action::SetText(9, "140"), Action::SetText(10, "5"),
                          Action::Choose(15, 5), Action::Press(kCalculate)});
  // The separator selects nothing: E rev Na stays, with its fields.
  EXPECT_EQ(run.Find(15)->items.size(), 9u);
  ExpectTexts(run, {{15, "E rev Na"}, {6, "[Na]i"}, {8, ""}, {16, "-85.6134"}});
  const DialogRecord& ohm =
      Open(kPatcherItem, {Action::ChooseText(5, "Ohm's Law"), Action::ChooseText(15, "Current"),
                          Action::SetText(9, "50m"), Action::Press(kToHistory)});
  // A result of 0 shows as an empty field.
  ExpectTexts(ohm, {{6, "Voltage"}, {16, ""}, {11, "   inf  "}});
  EXPECT_EQ(ohm.history.rfind("Patcher's Calculator\r Voltage           50.00 mV\r", 0), 0u);
  // A failure empties the fields and adds nothing to the history.
  const DialogRecord& failed = Open(kPatcherItem, {Action::ChooseText(5, "Whole Cell"), Action::SetText(9, "1"),
                                                   Action::Press(kToHistory)});
  EXPECT_EQ(Alerts(failed), std::vector<std::string>{"KWT Note: Calculation was not possible."});
  EXPECT_EQ(failed.Text(9), "");
  EXPECT_EQ(failed.history, "");
}

TEST_F(CalculatorDialogs, JunctionPotentialRun) {
  const std::vector<Action> solutions = {
      Action::ChooseText(19, "K"),  Action::SetText(29, "150"), Action::SetText(39, "0"),
      Action::ChooseText(20, "Cl"), Action::SetText(30, "150"), Action::SetText(40, "150"),
      Action::ChooseText(21, "Na"), Action::SetText(31, "0"),   Action::SetText(41, "150"),
      Action::SetText(81, "")};
  std::vector<Action> actions = solutions;
  actions.push_back(Action::Press(kToHistory));
  const DialogRecord& run = Open(kJunctionItem, actions);
  // 4.285056 mV with today's k/e; the module's constant 8.617384435e-5 V/K
  // is 6 ppm larger.  A chosen ion fills its valence and mobility, checks
  // its row and gives its pipette field the focus.
  ExpectTexts(run, {{81, "20"}, {70, "4.28508"}, {50, "-1.0"}, {60, "1.0382"}});
  ASSERT_EQ(run.Find(26)->items.size(), 54u);
  EXPECT_TRUE(run.Find(10)->checked);
  EXPECT_EQ(std::make_pair(run.focus, run.focusSelectsAll), std::make_pair(31, true));
  EXPECT_NE(run.history.find(" Liquid junction potential: 4.29 mV\r"), std::string::npos);
  EXPECT_TRUE(Alerts(run).empty());

  // Unchecking every row leaves nothing to compute: a note for Calculate,
  // a history line for To History, and no field changes.
  actions = solutions;
  for (int32_t box : {9, 10, 11}) actions.push_back(Action::Toggle(box));
  actions.push_back(Action::Press(kCalculate));
  actions.push_back(Action::Press(kToHistory));
  const DialogRecord& off = Open(kJunctionItem, actions);
  EXPECT_EQ(Alerts(off), std::vector<std::string>{"KWT Note: Calculation was not possible."});
  EXPECT_EQ(off.history, "Calculation of Liquid Junction Potential\r Calculation not possible!\r");
  ExpectTexts(off, {{70, ""}, {81, ""}});
  EXPECT_EQ(Alerts(Open(kJunctionItem, actions)).size(), 1u) << "a run keeps only its own alerts";

  // "-" undoes what choosing an ion did.
  const DialogRecord& none = Open(kJunctionItem, {Action::ChooseText(20, "Na"), Action::Choose(20, 2)});
  EXPECT_FALSE(none.Find(10)->checked);
  ExpectTexts(none, {{50, ""}, {60, ""}});
}

// ---- Stored settings -----------------------------------------------------------------

TEST_F(CalculatorDialogs, SettingsSurviveExit) {
  const struct {
    const char* what;
    int32_t item;
    std::vector<Action> actions;
    Texts texts;
    std::vector<std::pair<int32_t, bool>> checks;
  } cases[] = {
      // A field that does not read is stored as 0 and comes back empty.
      {"buffer", kBufferItem,
       {Action::SetText(9, "2m"), Action::SetText(10, "abc"), Action::SetText(11, "5u"),
        Action::SetText(14, "1.5u")},
       {{9, "  2.00 m"}, {10, ""}, {11, "  5.00 \xB5"}, {14, "  1.50 \xB5"}},
       {}},
      // An empty pH comes back empty (and takes its default when used),
      // not as a pH of 0.
      {"free Ca/Mg", kFreeCaMgItem,
       {Action::ChooseText(6, "ATP"), Action::SetText(15, "4m"), Action::SetText(21, "1m"),
        Action::SetText(20, "2u"), Action::SetText(35, "0.5"), Action::SetText(36, "500"),
        Action::SetText(38, ""), Action::SetText(40, "0.1")},
       {{6, "ATP"}, {5, "_none_"}, {15, "  4.00 m"}, {21, "  1.00 m"}, {20, "  2.00 \xB5"},
        {35, "0.5"}, {36, "500"}, {38, ""}, {40, "0.1"}},
       {}},
      // A stored 0 leaves the field empty; the custom row keeps its own
      // valence and mobility.
      {"junction", kJunctionItem,
       {Action::ChooseText(22, "Cs"), Action::SetText(32, "135"), Action::Toggle(18),
        Action::SetText(38, "10"), Action::SetText(58, "-2"), Action::SetText(68, "0.5"),
        Action::SetText(81, "37")},
       {{22, "Cs"}, {32, "135"}, {42, ""}, {52, "1"}, {62, "1.05"}, {38, "10"}, {58, "-2"},
        {68, "0.5"}, {81, "37"}},
       {{12, true}, {18, true}, {9, false}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<Action> actions = c.actions;
    actions.push_back(Action::Press(kExit));
    Open(c.item, actions);
    const DialogRecord& run = Open(c.item, {});
    ExpectTexts(run, c.texts);
    for (const auto& [box, checked] : c.checks) EXPECT_EQ(run.Find(box)->checked, checked) << box;
  }
}

// The buffer calculator's record at its offsets (version 8, calculator
// word 1, doubles little-endian on this machine); the same record cut
// short, one byte too long, of another version or calculator word, or the
// record another calculator stores, each opens with empty fields.  Leaving
// without Exit stores nothing, and the patcher stores nothing.
TEST_F(CalculatorDialogs, StoredRecordLayoutAndRecordsOfOtherLayouts) {
  Open(kBufferItem, {Action::SetText(9, "2m"), Action::SetText(14, "1u"), Action::Press(kExit)});
  std::vector<uint8_t> good;
  ASSERT_EQ(wb_.GetPrefs(&good), 0);
  ASSERT_EQ(good.size(), kBufferRecordSize);
  double totalIon, kd;
  std::memcpy(&totalIon, &good[kTotalIon], 8);
  std::memcpy(&kd, &good[kKd], 8);
  EXPECT_EQ(std::make_tuple(good[0] | good[1] << 8, good[kCalculatorWord] | good[kCalculatorWord + 1] << 8,
                            totalIon, kd),
            std::make_tuple(8, 1, 2e-3, 1e-6));

  std::vector<uint8_t> shorter(good.begin(), good.begin() + 1870), longer = good, version = good,
      calculator = good;
  longer.push_back(0);
  version[0] = 9;
  calculator[kCalculatorWord] = 4;
  for (const auto& record : {shorter, longer, version, calculator, std::vector<uint8_t>{8, 0}}) {
    StorePrefs(record);
    EXPECT_EQ(Open(kBufferItem, {}).Text(9), "") << record.size();
    EXPECT_EQ(Open(kFreeCaMgItem, {}).Text(21), "");
    EXPECT_EQ(Open(kJunctionItem, {}).Text(81), "20");
  }
  // Numbers that are no numbers show as empty fields.
  std::vector<uint8_t> nan = good;
  std::memset(&nan[kTotalIon], 0xFF, 8);
  StorePrefs(nan);
  EXPECT_EQ(Open(kBufferItem, {}).Text(9), "");

  StorePrefs(good);
  Open(kJunctionItem, {Action::Press(kCalculate)});
  Open(kPatcherItem, {Action::Press(kExit)});
  EXPECT_EQ(Open(kBufferItem, {}).Text(9), "  2.00 m");
  // The junction calculator shares version 8 but not the calculator word.
  Open(kJunctionItem, {Action::Press(kExit)});
  EXPECT_EQ(Open(kBufferItem, {}).Text(9), "");

  // The free Ca/Mg record: its size, version and a popup item of row 2.
  Open(kFreeCaMgItem, {Action::ChooseText(6, "ATP"), Action::Press(kExit)});
  ASSERT_EQ(wb_.GetPrefs(&good), 0);
  ASSERT_EQ(good.size(), 3352u);
  EXPECT_EQ(std::make_tuple(good[0], good[2760], good[2762 + 4]), std::make_tuple(10, 2, 12));
}

}  // namespace
}  // namespace kwt
