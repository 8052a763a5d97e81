// The calculator dialogs and the About box, opened from the menu and run by
// the scripted driver.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "resources/dialogs.h"
#include "resources/resources.h"
#include "workbench/workbench.h"

namespace kwt {
namespace {

using Action = DialogAction;

constexpr int32_t kCalculate = 1;
constexpr int32_t kExit = 2;
constexpr int32_t kToHistory = 3;

constexpr int32_t kFreeCaMgItem = 8;
constexpr int32_t kBufferItem = 9;
constexpr int32_t kPatcherItem = 10;
constexpr int32_t kJunctionItem = 11;
constexpr int32_t kAboutItem = 13;

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

  std::vector<std::string> Alerts(const DialogRecord& run) {
    std::vector<std::string> out;
    for (const auto& e : run.events)
      if (e.kind == "alert") out.push_back(e.title + ": " + e.text);
    return out;
  }

  // Stores a preferences record as if another program had written it.
  void StorePrefs(std::vector<uint8_t> record) { ASSERT_EQ(wb_.SavePrefs(record), 0); }

  Workbench wb_;
};

// ---- Menu and About ----------------------------------------------------------

TEST_F(CalculatorDialogs, MenuItemsOpenTheirDialogs) {
  const struct {
    int32_t item;
    int32_t dialog;
    const char* title;
    int32_t result;
  } cases[] = {
      {kFreeCaMgItem, resources::kFreeCaMgDialogId, "Calculate free Calcium & Magnesium", 0},
      {kBufferItem, resources::kBufferCapacityDialogId, "Calculate Buffer Capacity", -1},
      {kPatcherItem, resources::kPatcherDialogId, "Patcher's Calculator", 0},
      {kJunctionItem, resources::kJunctionPotentialDialogId, "Liquid Junction Potential", 0},
      {kAboutItem, resources::kAboutDialogId, "About KWT", 0},
  };
  for (const auto& c : cases) {
    int32_t result = 99;
    const DialogRecord& run = Open(c.item, {}, &result);
    EXPECT_EQ(run.id, c.dialog);
    EXPECT_EQ(run.title, c.title);
    EXPECT_EQ(result, c.result) << c.title;
  }
  EXPECT_EQ(wb_.history(), "");
}

TEST_F(CalculatorDialogs, AboutBoxClosesWithOkAndLeavesNoNotice) {
  int32_t result = 99;
  const DialogRecord& run = Open(kAboutItem, {Action::Press(1)}, &result);
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(run.endedByModule);
  EXPECT_EQ(run.result, 1);
  EXPECT_EQ(run.Find(3)->kind, ControlKind::kPicture);
  EXPECT_EQ(run.Text(1), "OK");
  EXPECT_FALSE(run.Text(5).empty());
  EXPECT_EQ(wb_.history(), "");
  EXPECT_TRUE(wb_.interaction().events().empty());
}

// ---- Buffer capacity -----------------------------------------------------------

TEST_F(CalculatorDialogs, BufferCapacityWorkedExampleCalculatedTwice) {
  const DialogRecord& run = Open(kBufferItem, {Action::SetText(9, "1m"), Action::SetText(10, "10m"),
                                               Action::SetText(14, "1u"), Action::Press(kCalculate),
                                               Action::Press(kToHistory), Action::Press(kCalculate),
                                               Action::Press(kToHistory)});
  // The second round reads what the first wrote, the micro sign included,
  // and gives the same result.
  const std::string once =
      "Calculation of Buffer Capacity\r"
      " Total ion:            1.00 mM\r"
      " Free ion:           111.10 nM\r"
      " Total buffer:        10.00 mM\r"
      " Free buffer:          9.00 mM\r"
      " Complexed buffer:   999.89 \xB5M\r"
      " K-Diss.:              1.00 \xB5M\r"
      " Buffering capacity: 8100.2\r"
      " max. Binding Ratio: 10000.0\r";
  EXPECT_EQ(run.history, once + once);
  EXPECT_TRUE(Alerts(run).empty());
  EXPECT_EQ(run.Text(9), "  1.00 m");
  EXPECT_EQ(run.Text(11), "111.10 n");
  EXPECT_EQ(run.Text(10), " 10.00 m");
  EXPECT_EQ(run.Text(12), "  9.00 m");
  EXPECT_EQ(run.Text(14), "  1.00 \xB5");
  EXPECT_EQ(run.Text(16), "999.89 \xB5");
  EXPECT_EQ(run.Text(18), "  8.10 k");
  EXPECT_EQ(run.Text(24), " 10.00 k");
}

TEST_F(CalculatorDialogs, BufferCapacityReadsTheOldMicroByte) {
  const DialogRecord& run =
      Open(kBufferItem, {Action::SetText(9, "  1.00 m"), Action::SetText(10, " 10.00 m"),
                         Action::SetText(14, "  1.00 \xBA"), Action::Press(kCalculate)});
  EXPECT_TRUE(Alerts(run).empty());
  EXPECT_EQ(run.Text(11), "111.10 n");
  EXPECT_EQ(run.Text(14), "  1.00 \xB5");
}

TEST_F(CalculatorDialogs, BufferCapacityMessagesChangeNothing) {
  const DialogRecord& run =
      Open(kBufferItem, {Action::SetText(9, "1m"), Action::Press(kCalculate), Action::SetText(14, "1u"),
                         Action::Press(kToHistory)});
  EXPECT_EQ(Alerts(run), (std::vector<std::string>{
                             "KWT Error: Dissociation constant is required for the calculation.",
                             "KWT Error: Two values (free or total concentration) must be specified."}));
  EXPECT_EQ(run.Text(9), "1m");
  EXPECT_EQ(run.Text(16), "");
  EXPECT_EQ(run.history, "");
}

TEST_F(CalculatorDialogs, BufferCapacitySettingsSurviveExit) {
  Open(kBufferItem, {Action::SetText(9, "2m"), Action::SetText(10, "abc"), Action::SetText(11, "5u"),
                     Action::SetText(14, "1.5u"), Action::Press(kExit)});
  const DialogRecord& reopened = Open(kBufferItem, {});
  EXPECT_EQ(reopened.Text(9), "  2.00 m");
  EXPECT_EQ(reopened.Text(10), "") << "a field that does not read is stored as 0";
  EXPECT_EQ(reopened.Text(11), "  5.00 \xB5");
  EXPECT_EQ(reopened.Text(14), "  1.50 \xB5");
}

TEST_F(CalculatorDialogs, StoredRecordLayout) {
  Open(kBufferItem, {Action::SetText(9, "2m"), Action::SetText(14, "1u"), Action::Press(kExit)});
  std::vector<uint8_t> record;
  ASSERT_EQ(wb_.GetPrefs(&record), 0);
  ASSERT_EQ(record.size(), 2328u);
  EXPECT_EQ(record[0] | record[1] << 8, 8);
  EXPECT_EQ(record[1858] | record[1859] << 8, 1);
  double totalIon, kd;
  std::memcpy(&totalIon, &record[1868], 8);  // little-endian on this machine
  std::memcpy(&kd, &record[1900], 8);
  EXPECT_DOUBLE_EQ(totalIon, 2e-3);
  EXPECT_DOUBLE_EQ(kd, 1e-6);
}

TEST_F(CalculatorDialogs, AnotherLayoutDiscardsTheSettings) {
  Open(kBufferItem, {Action::SetText(9, "2m"), Action::Press(kExit)});
  // The junction-potential calculator shares version 8 but not the
  // calculator word: its record replaces the buffer's.
  Open(kJunctionItem, {Action::Press(kExit)});
  EXPECT_EQ(Open(kBufferItem, {}).Text(9), "");
  Open(kBufferItem, {Action::SetText(9, "3m"), Action::Press(kExit)});
  Open(kFreeCaMgItem, {Action::Press(kExit)});
  EXPECT_EQ(Open(kBufferItem, {}).Text(9), "");
  // Leaving without Exit stores nothing.
  Open(kBufferItem, {Action::SetText(9, "4m"), Action::Press(kExit)});
  Open(kJunctionItem, {Action::Press(kCalculate)});
  EXPECT_EQ(Open(kBufferItem, {}).Text(9), "  4.00 m");
}

TEST_F(CalculatorDialogs, DamagedRecordsAreIgnored) {
  // A buffer record cut short, one too long, one of another version, and
  // one whose calculator word is wrong: each opens with empty fields.
  std::vector<uint8_t> good(2328, 0);
  good[0] = 8;
  good[1858] = 1;
  const double ion = 2e-3;
  std::memcpy(&good[1868], &ion, 8);
  StorePrefs(good);
  ASSERT_EQ(Open(kBufferItem, {}).Text(9), "  2.00 m");

  std::vector<uint8_t> shorter(good.begin(), good.begin() + 1870);
  std::vector<uint8_t> longer = good;
  longer.push_back(0);
  std::vector<uint8_t> version = good;
  version[0] = 9;
  std::vector<uint8_t> calculator = good;
  calculator[1858] = 4;
  for (const auto& record : {shorter, longer, version, calculator, std::vector<uint8_t>{8, 0}}) {
    StorePrefs(record);
    EXPECT_EQ(Open(kBufferItem, {}).Text(9), "") << record.size();
    EXPECT_EQ(Open(kFreeCaMgItem, {}).Text(21), "");
    EXPECT_EQ(Open(kJunctionItem, {}).Text(81), "20");
  }
  // Numbers that are no numbers show as empty fields.
  std::vector<uint8_t> nan = good;
  for (int i = 1868; i < 1876; ++i) nan[i] = 0xFF;
  StorePrefs(nan);
  EXPECT_EQ(Open(kBufferItem, {}).Text(9), "");
}

// ---- Free calcium and magnesium ----------------------------------------------

TEST_F(CalculatorDialogs, FreeCaMgChoosingBuffers) {
  const DialogRecord& run =
      Open(kFreeCaMgItem, {Action::ChooseText(5, "EGTA"), Action::SetText(14, "10m"),
                           Action::SetText(21, "1m"), Action::Press(kCalculate),
                           Action::Choose(5, 1)});
  // The popups list "_none_", "-" and the 25 buffers.
  ASSERT_EQ(run.Find(5)->items.size(), 27u);
  EXPECT_EQ(run.Find(10)->items[26], "TPEN");
  // Choosing "_none_" empties the row's free field.
  EXPECT_EQ(run.Text(23), "");
  EXPECT_EQ(run.Text(14), "10m");
  EXPECT_NE(run.Text(30), "");

  const DialogRecord& picked = Open(kFreeCaMgItem, {Action::ChooseText(7, "BAPTA")});
  EXPECT_EQ(picked.focus, 16) << "the row's total field takes the focus";
  EXPECT_TRUE(picked.focusSelectsAll);
}

TEST_F(CalculatorDialogs, FreeCaMgCalculationAndOptions) {
  const DialogRecord& run =
      Open(kFreeCaMgItem, {Action::ChooseText(5, "EGTA"), Action::SetText(14, "10m"),
                           Action::ChooseText(8, "ATP"), Action::SetText(17, "4m"),
                           Action::SetText(21, "1m"), Action::SetText(20, "2m"),
                           Action::SetText(35, "0.001"), Action::SetText(36, "3"),
                           Action::SetText(38, ""), Action::SetText(40, "-1"),
                           Action::Press(kToHistory)});
  // Iterations 3 becomes 10, too few for 0.001 %: the note comes once the
  // fields are filled, and the history text follows it.
  EXPECT_EQ(run.Text(36), "10");
  EXPECT_EQ(run.Text(38), "7.2");
  EXPECT_EQ(run.Text(40), "0.00");
  EXPECT_EQ(run.Text(35), "0.001");
  EXPECT_EQ(Alerts(run),
            std::vector<std::string>{"KWT Note: Maximal number of iterations reached. Please, increase value!"});
  EXPECT_EQ(run.history.rfind("Calculation of free Calcium & Magnesium\r", 0), 0u);
  EXPECT_NE(run.Text(30), "");
  EXPECT_NE(run.Text(29), "");
  EXPECT_NE(run.Text(23), "");
  EXPECT_NE(run.Text(26), "");
  EXPECT_EQ(run.Text(24), "");

  const DialogRecord& enough =
      Open(kFreeCaMgItem, {Action::ChooseText(5, "EGTA"), Action::SetText(14, "10m"),
                           Action::ChooseText(8, "ATP"), Action::SetText(17, "4m"),
                           Action::SetText(21, "1m"), Action::SetText(20, "2m"),
                           Action::SetText(35, "0.001"), Action::Press(kToHistory)});
  EXPECT_TRUE(Alerts(enough).empty());
  // Rows keep their dialog numbers in the history.
  EXPECT_NE(enough.history.find(" 4: ATP      total   4.00 mM, free   2.03 mM\r"), std::string::npos);
  EXPECT_EQ(enough.Text(30), " 11.62 n");
  EXPECT_EQ(enough.Text(29), " 24.92 \xB5");
}

TEST_F(CalculatorDialogs, FreeCaMgErrorsAndStaleResults) {
  const DialogRecord& run =
      Open(kFreeCaMgItem, {Action::Press(kCalculate), Action::SetText(21, "1m"),
                           Action::Press(kCalculate), Action::ChooseText(5, "EGTA"),
                           Action::SetText(14, "10m"), Action::Press(kCalculate),
                           Action::SetText(14, ""), Action::ChooseText(6, "BAPTA"),
                           Action::SetText(15, "1m"), Action::Press(kCalculate)});
  EXPECT_EQ(Alerts(run),
            (std::vector<std::string>{
                "KWT Error: Total ion concentration (Calcium and/or Magnesium) required!",
                "KWT Error: At least one buffer is required!"}));
  // Row 1 lost its total: its free value from the first result is gone.
  EXPECT_EQ(run.Text(23), "");
  EXPECT_NE(run.Text(24), "");
}

TEST_F(CalculatorDialogs, FreeCaMgSettingsSurviveExit) {
  Open(kFreeCaMgItem, {Action::ChooseText(6, "ATP"), Action::SetText(15, "4m"),
                       Action::SetText(21, "1m"), Action::SetText(20, "2u"),
                       Action::SetText(35, "0.5"), Action::SetText(36, "500"),
                       Action::SetText(38, ""), Action::SetText(40, "0.1"), Action::Press(kExit)});
  const DialogRecord& run = Open(kFreeCaMgItem, {});
  EXPECT_EQ(run.Find(6)->selection, 12);
  EXPECT_EQ(run.Text(6), "ATP");
  EXPECT_EQ(run.Find(5)->selection, 1);
  EXPECT_EQ(run.Text(15), "  4.00 m");
  EXPECT_EQ(run.Text(21), "  1.00 m");
  EXPECT_EQ(run.Text(20), "  2.00 \xB5");
  EXPECT_EQ(run.Text(35), "0.5");
  EXPECT_EQ(run.Text(36), "500");
  // An empty pH comes back empty (and takes its default when used), not as
  // a pH of 0.
  EXPECT_EQ(run.Text(38), "");
  EXPECT_EQ(run.Text(40), "0.1");
  std::vector<uint8_t> record;
  wb_.GetPrefs(&record);
  ASSERT_EQ(record.size(), 3352u);
  EXPECT_EQ(record[0], 10);
  EXPECT_EQ(record[2760], 2);
  EXPECT_EQ(record[2762 + 4], 12);
}

// ---- Patcher's calculator ---------------------------------------------------------

TEST_F(CalculatorDialogs, PatcherOpensOnGeometryDiameter) {
  const DialogRecord& run = Open(kPatcherItem, {});
  EXPECT_EQ(run.Text(5), "Geometry");
  EXPECT_EQ(run.Text(15), "Diameter");
  EXPECT_EQ(run.Text(6), "Capacitance");
  EXPECT_EQ(run.Text(8), "Surface");
  EXPECT_EQ(run.Text(13), "\xB5m3");
  EXPECT_EQ(run.Text(17), "\xB5m");
}

TEST_F(CalculatorDialogs, PatcherGeometryToHistory) {
  const DialogRecord& run = Open(kPatcherItem, {Action::SetText(9, "10"), Action::Press(kToHistory)});
  EXPECT_EQ(run.Text(9), "10");
  EXPECT_EQ(run.Text(10), "2973.54");
  EXPECT_EQ(run.Text(11), "1000");
  EXPECT_EQ(run.Text(16), "17.8412");
  EXPECT_EQ(run.history.rfind("Patcher's Calculator\r Capacitance           10.00pF\r", 0), 0u);
}

TEST_F(CalculatorDialogs, PatcherChoicesRelabelAndEmptyTheFields) {
  const DialogRecord& run =
      Open(kPatcherItem, {Action::SetText(9, "10"), Action::ChooseText(5, "Reversal Potential"),
                          Action::SetText(9, "140"), Action::SetText(10, "5"),
                          Action::Choose(15, 5), Action::Press(kCalculate)});
  // The separator selects nothing: E rev Na stays, with its fields.
  EXPECT_EQ(run.Text(15), "E rev Na");
  EXPECT_EQ(run.Find(15)->items.size(), 9u);
  EXPECT_EQ(run.Text(6), "[Na]i");
  EXPECT_EQ(run.Text(8), "");
  EXPECT_EQ(run.Text(16), "-85.6134");
  const DialogRecord& ohm =
      Open(kPatcherItem, {Action::ChooseText(5, "Ohm's Law"), Action::ChooseText(15, "Current"),
                          Action::SetText(9, "50m"), Action::Press(kToHistory)});
  EXPECT_EQ(ohm.Text(6), "Voltage");
  EXPECT_EQ(ohm.Text(16), "") << "a result of 0 shows as an empty field";
  EXPECT_EQ(ohm.Text(11), "   inf  ");
  EXPECT_EQ(ohm.history,
            "Patcher's Calculator\r"
            " Voltage           50.00 mV\r"
            " Conductance        0.00 yS\r"
            " Resistance          inf  Ohm\r"
            " Current            0.00 yA\r");
}

TEST_F(CalculatorDialogs, PatcherFailureEmptiesTheFields) {
  const DialogRecord& run =
      Open(kPatcherItem, {Action::ChooseText(5, "Whole Cell"), Action::SetText(9, "1"),
                          Action::Press(kToHistory)});
  EXPECT_EQ(Alerts(run), std::vector<std::string>{"KWT Note: Calculation was not possible."});
  EXPECT_EQ(run.Text(9), "");
  EXPECT_EQ(run.history, "");
  // Exit stores nothing for this calculator.
  Open(kBufferItem, {Action::SetText(9, "2m"), Action::Press(kExit)});
  Open(kPatcherItem, {Action::Press(kExit)});
  EXPECT_EQ(Open(kBufferItem, {}).Text(9), "  2.00 m");
}

// ---- Liquid junction potential ----------------------------------------------------

TEST_F(CalculatorDialogs, JunctionPotentialChoosingIons) {
  const DialogRecord& run = Open(kJunctionItem, {Action::ChooseText(19, "Cl")});
  ASSERT_EQ(run.Find(26)->items.size(), 54u);
  EXPECT_TRUE(run.Find(9)->checked);
  EXPECT_EQ(run.Text(49), "-1.0");
  EXPECT_EQ(run.Text(59), "1.0382");
  EXPECT_EQ(run.focus, 29);
  EXPECT_TRUE(run.focusSelectsAll);
  const DialogRecord& none = Open(kJunctionItem, {Action::ChooseText(20, "Na"), Action::Choose(20, 2)});
  EXPECT_FALSE(none.Find(10)->checked);
  EXPECT_EQ(none.Text(50), "");
  EXPECT_EQ(none.Text(60), "");
}

TEST_F(CalculatorDialogs, JunctionPotentialCalculation) {
  const std::vector<Action> solutions = {
      Action::ChooseText(19, "K"),  Action::SetText(29, "150"), Action::SetText(39, "0"),
      Action::ChooseText(20, "Cl"), Action::SetText(30, "150"), Action::SetText(40, "150"),
      Action::ChooseText(21, "Na"), Action::SetText(31, "0"),   Action::SetText(41, "150"),
      Action::SetText(81, "")};
  std::vector<Action> actions = solutions;
  actions.push_back(Action::Press(kToHistory));
  const DialogRecord& run = Open(kJunctionItem, actions);
  EXPECT_EQ(run.Text(81), "20");
  // 4.285056 mV with today's k/e; the module's constant 8.617384435e-5 V/K
  // is 6 ppm larger.
  EXPECT_EQ(run.Text(70), "4.28508");
  EXPECT_NE(run.history.find(" 1. K     pip = 150.0, bath =   0.0, z = +1, u = 1.000\r"),
            std::string::npos);
  EXPECT_NE(run.history.find(" Liquid junction potential: 4.29 mV\r"), std::string::npos);
  EXPECT_TRUE(Alerts(run).empty());

  // Unchecking every row leaves nothing to compute: a note for Calculate,
  // a history line for To History.
  actions = solutions;
  for (int32_t box : {9, 10, 11}) actions.push_back(Action::Toggle(box));
  actions.push_back(Action::Press(kCalculate));
  actions.push_back(Action::Press(kToHistory));
  const DialogRecord& off = Open(kJunctionItem, actions);
  EXPECT_EQ(Alerts(off), std::vector<std::string>{"KWT Note: Calculation was not possible."});
  EXPECT_EQ(off.history, "Calculation of Liquid Junction Potential\r Calculation not possible!\r");
  EXPECT_EQ(off.Text(70), "");
  EXPECT_EQ(off.Text(81), "") << "nothing changes when there is no potential";
}

TEST_F(CalculatorDialogs, JunctionPotentialSettingsSurviveExit) {
  Open(kJunctionItem, {Action::ChooseText(22, "Cs"), Action::SetText(32, "135"),
                       Action::Toggle(18), Action::SetText(38, "10"), Action::SetText(58, "-2"),
                       Action::SetText(68, "0.5"), Action::SetText(81, "37"), Action::Press(kExit)});
  const DialogRecord& run = Open(kJunctionItem, {});
  EXPECT_EQ(run.Text(22), "Cs");
  EXPECT_TRUE(run.Find(12)->checked);
  EXPECT_EQ(run.Text(32), "135");
  EXPECT_EQ(run.Text(42), "") << "a stored 0 leaves the field empty";
  EXPECT_EQ(run.Text(52), "1");
  EXPECT_EQ(run.Text(62), "1.05");
  EXPECT_TRUE(run.Find(18)->checked);
  EXPECT_EQ(run.Text(38), "10");
  EXPECT_EQ(run.Text(58), "-2");
  EXPECT_EQ(run.Text(68), "0.5");
  EXPECT_EQ(run.Text(81), "37");
  EXPECT_FALSE(run.Find(9)->checked);
}

TEST(CalculatorSettingsOnDisk, SurviveANewSession) {
  const std::string path =
      ::testing::TempDir() + "/kwt-calculator-prefs-" + std::to_string(getpid()) + ".bin";
  std::remove(path.c_str());
  {
    Workbench wb(Workbench::Options{path, false, false});
    wb.dialogs().SetScript({Action::SetText(9, "7m"), Action::Press(kExit)});
    wb.ChooseMenuItem(kBufferItem);
  }
  Workbench wb(Workbench::Options{path, false, false});
  wb.dialogs().SetScript({});
  wb.ChooseMenuItem(kBufferItem);
  EXPECT_EQ(wb.dialogs().lastRun()->Text(9), "  7.00 m");
  std::remove(path.c_str());
}

}  // namespace
}  // namespace kwt
