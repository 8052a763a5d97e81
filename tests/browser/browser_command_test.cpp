// The commands the file browser builds, each run with "Do It" and its waves
// checked, and the command that is too long for the command buffer.
#include <filesystem>

#include "tests/browser/browser_fixture.h"

namespace kwt::test {
namespace {

struct CommandCase {
  const char* name;
  bool pulse;
  std::vector<A> actions;
  std::string flags;  // the command before its file path
  // The waves Do It makes, where the dialog hands more than the command
  // over (the stimulus names in stimString); what a command loads is the
  // loaders' own business.
  std::vector<std::string> waves;
};

TEST_F(BrowserTest, EveryCombinationBuildsACommandThatLoads) {
  const CommandCase cases[] = {
      {"group only", false, {A::Choose(kGroupPopup, 3)}, "LoadPM/A=2", {}},
      {"group and series", false, {A::Choose(kGroupPopup, 3), A::Choose(kSeriesPopup, 3), A::Check(kOverwrite, true)},
       "LoadPM/O/A=2/B=2", {}},
      {"trace", false,
       {A::Choose(kGroupPopup, 2), A::Choose(kSeriesPopup, 2), A::Choose(kSweepPopup, 2),
        A::Choose(kTracePopup, 3)},
       "LoadPM/A=1/B=1/C=1/D=2", {"PMPulse_1_1_1_2_Vmon"}},
      {"dollar base name", false, {A::Choose(kGroupPopup, 2), A::SetText(kBaseName, "x$")}, "LoadPM/A=1/N='pm'", {}},
      {"include", false, {A::Radio(kStimInclude), A::Select(kStimuliList, {}, {"IV", "Ramp"})},
       "LoadPM/J=$stimString",
       {"PMPulse_1_1_1_1_Imon", "PMPulse_1_1_1_2_Vmon", "PMPulse_2_1_1_1_Imon",
        "PMPulse_2_1_2_1_Imon", "PMPulse_2_2_1_1_Imon"}},
      {"exclude", false, {A::Radio(kStimExclude), A::Select(kStimuliList, {}, {"IV", "sine"})},
       "LoadPM/K=$stimString", {"PMPulse_2_1_1_1_Imon", "PMPulse_2_1_2_1_Imon"}},
      {"off ignores the names", false,
       {A::Choose(kGroupPopup, 4), A::Select(kStimuliList, {}, {"IV"}), A::Check(kQuiet, true)}, "LoadPM/Q/A=3", {}},
      {"lockin with its fields", false,
       {A::Choose(kGroupPopup, 4), A::Check(kLockIn, true), A::SetText(kPhaseShift, "12"),
        A::SetText(kVReversal, "-0.05"), A::Check(kZeroData, true)},
       "LoadPM/Z/G/H=12.0/V=-0.050/A=3", {}},
      {"pulse sweep range", true,
       {A::Choose(kGroupPopup, 2), A::Choose(kSeriesPopup, 2), A::Choose(kSweepPopup, 2),
        A::SetText(kRange, "2"), A::Check(kLoadLeak, true)},
       "LoadPulse/L/A=1/B=1/C=1/R=2", {"Pulse_1_1_1", "Pulse_1_1_1_leak", "Pulse_1_1_2"}},
  };
  for (const CommandCase& c : cases) {
    SCOPED_TRACE(c.name);
    // Each case starts from the defaults, not from the settings the case
    // before it stored.
    wb_.root().waves.clear();
    std::filesystem::remove(dir_.File("prefs.bin"));
    const std::string file = c.pulse ? Pulse() : PmBundle();
    std::vector<A> actions = c.actions;
    actions.push_back(A::Press(kDoIt));
    int32_t result = -5;
    std::vector<A> all{A::Press(kFileButton), A::ChooseFile(file)};
    all.insert(all.end(), actions.begin(), actions.end());
    const DialogRecord run = Open(all, &result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(run.Text(kCommandField), c.flags + " \"" + file + "\"");
    if (c.waves.empty()) EXPECT_FALSE(WaveNames().empty()) << "Do It ran the command";
    else EXPECT_EQ(WaveNames(), c.waves);
  }
  EXPECT_THAT(Values("Pulse_1_1_2"), ElementsAre(7, 8, 9));
}

// "$" takes the file's name; what a wave name cannot hold in it becomes
// "_", and blanks at its ends go.
TEST_F(BrowserTest, ADollarBaseNameIsTheFileNameMadeFitForAWaveName) {
  const std::string file = PmBundle(ByteOrder::kLittle, " it's;a cell .dat");
  int32_t result = -5;
  const DialogRecord run = Open({A::Press(kFileButton), A::ChooseFile(file), A::Choose(kGroupPopup, 2),
                                 A::SetText(kBaseName, "$"), A::Press(kDoIt)},
                                &result);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(run.Text(kCommandField), "LoadPM/A=1/N='it_s_a cell' \"" + file + "\"");
  ASSERT_FALSE(WaveNames().empty());
  EXPECT_EQ(WaveNames().front().rfind("it_s_a cell_1_", 0), 0u) << WaveNames().front();
}

TEST_F(BrowserTest, TheCommandBufferHoldsFourHundredCharacters) {
  // Without a file the command is empty, and so is what is handed over.
  EXPECT_EQ(Open({A::Press(kToCmdLine)}).Text(kCommandField), "");
  EXPECT_EQ(wb_.commandLine(), "");
  const std::string file = PmBundle();
  // "LoadPM/N='" + name + "'" with the path: exactly 400 characters fit.
  const std::string fits(400 - file.size() - 11, 'n');
  Open({A::Press(kFileButton), A::ChooseFile(file), A::SetText(kBaseName, fits), A::Press(kToClip)});
  EXPECT_EQ(wb_.clipboard(), "LoadPM/N='" + fits + "' \"" + file + "\"");

  int32_t result = 0;
  const DialogRecord run = Open({A::SetText(kBaseName, fits + "n"), A::Press(kDoIt), A::Press(kToClip)}, &result);
  const std::string tooLong = "*** command is too long to fit in command buffer ***";
  ASSERT_EQ(run.events.size(), 1u);
  EXPECT_EQ(run.events[0].text, tooLong);  // Do It shows it and runs nothing
  EXPECT_EQ(run.result, kToClip);          // the dialog stayed open for To Clip
  EXPECT_EQ(wb_.clipboard(), tooLong);
  EXPECT_TRUE(wb_.root().waves.empty());
}

}  // namespace
}  // namespace kwt::test
