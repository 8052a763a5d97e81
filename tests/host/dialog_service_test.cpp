// The dialog service: a module handler run by the workbench's scripted
// driver, with buttons, fields, popups and check boxes, then multi-select
// lists, radio groups, drawing areas and the file-open dialog.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "host/dialog.h"
#include "host/host.h"
#include "workbench/export/session_dump.h"
#include "workbench/workbench.h"

namespace kwt {
namespace {

using Action = DialogAction;
using A = DialogAction;
using ::testing::ElementsAre;

DialogDesc SampleDialog() {
  using K = ControlKind;
  DialogDesc d{.id = 4242, .title = "Sample"};
  d.controls = {{.id = 1, .kind = K::kButton, .text = "OK", .flags = kControlDefault},
                {.id = 2, .kind = K::kButton, .text = "Cancel"},
                {.id = 5, .kind = K::kEdit, .text = "initial"},
                {.id = 6, .kind = K::kEdit, .flags = kControlReadOnly},
                {.id = 7, .kind = K::kPopup},
                {.id = 8, .kind = K::kCheckBox, .text = "Include"},
                {.id = 9, .kind = K::kLabel, .text = "label"},
                {.id = 10, .kind = K::kList}};
  return d;
}

// A handler that logs what it hears and lets each test add behaviour; by
// default it fills the popup and the list with three items.
struct Recorder : DialogHandler {
  static void FillLists(DialogHandle d) {
    const std::string items[] = {"alpha", "Beta", "gamma"};
    DialogSetItems(d, 7, items);
    DialogSetItems(d, 10, items);
  }
  std::vector<std::string> heard;
  std::function<void(DialogHandle)> init = FillLists;
  std::function<void(DialogHandle, const DialogEvent&)> onEvent = [](DialogHandle, const DialogEvent&) {};

  void OnInit(DialogHandle d) override { init(d); }
  void OnEvent(DialogHandle d, const DialogEvent& e) override {
    const char* kinds[] = {"pressed", "text", "chosen", "toggled"};
    heard.push_back(std::string(kinds[static_cast<int>(e.kind)]) + " " + std::to_string(e.control));
    onEvent(d, e);
  }
};

class DialogService : public ::testing::Test {
 protected:
  DialogService() : wb_(Workbench::Options{"", false, true}) {}

  // Runs the sample dialog with `actions`; returns DialogRun's code.
  int32_t RunSample(Recorder& handler, std::vector<Action> actions, int32_t* result = nullptr) {
    wb_.dialogs().SetScript(std::move(actions));
    int32_t r = 0;
    const int32_t code = DialogRun(desc_, handler, &r);
    if (result != nullptr) *result = r;
    return code;
  }
  const DialogRecord& Last() { return *wb_.dialogs().lastRun(); }

  Workbench wb_;
  DialogDesc desc_ = SampleDialog();
};

TEST_F(DialogService, ActionsReachTheHandlerAfterTheControlChanged) {
  Recorder h;
  std::vector<std::string> seen;
  h.onEvent = [&](DialogHandle d, const DialogEvent& e) {
    if (e.control == 5) seen.push_back(DialogGetText(d, 5));
    if (e.control == 7) seen.push_back(std::to_string(DialogGetSelection(d, 7)) + DialogGetText(d, 7));
    if (e.control == 8) seen.push_back(DialogGetCheck(d, 8) ? "on" : "off");
    if (e.control == 1) DialogEnd(d, 1);
  };
  int32_t result = 0;
  EXPECT_EQ(RunSample(h,
                      {Action::SetText(5, "1.5m"), Action::Choose(7, 3), Action::ChooseText(7, "beta"),
                       Action::Toggle(8), Action::Check(8, true), Action::Check(8, false),
                       Action::Choose(10, 2), Action::Press(1), Action::Press(2)},
                      &result),
            0);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(h.heard, (std::vector<std::string>{"text 5", "chosen 7", "chosen 7", "toggled 8",
                                               "toggled 8", "chosen 10", "pressed 1"}));
  // Checking a box that is already checked clicks nothing.
  EXPECT_EQ(seen, (std::vector<std::string>{"1.5m", "3gamma", "2Beta", "on", "off"}));
  const DialogRecord& run = Last();
  EXPECT_EQ(std::make_pair(run.endedByModule, run.actionsTaken), std::make_pair(true, size_t{8}));
  EXPECT_EQ(wb_.dialogs().pendingActions(), 1u) << "the press after the end is not taken";
  for (const auto& [control, text] : {std::pair{5, "1.5m"}, {7, "Beta"}, {10, "Beta"}, {9, "label"}})
    EXPECT_EQ(run.Text(control), text) << control;
  EXPECT_FALSE(run.Find(8)->checked);
  EXPECT_TRUE(run.problems.empty());
}

TEST_F(DialogService, ActionsTheUserCouldNotTakeStopTheScript) {
  const std::pair<Action, const char*> cases[] = {
      {Action::Press(99), "action 1 (press 99): the dialog has no control 99"},
      {Action::SetText(6, "typed"), "action 1 (set 6=typed): control 6 is a read-only field"},
      {Action::SetText(7, "x"), "action 1 (set 7=x): control 7 is not an edit field"},
      {Action::Press(5), "action 1 (press 5): control 5 is not a button"},
      {Action::Choose(7, 4), "action 1 (choose 7=4): control 7 has 3 items"},
      {Action::ChooseText(7, "delta"), "action 1 (choose 7=delta): control 7 has no item \"delta\""},
      {Action::Toggle(9), "action 1 (toggle 9): control 9 is not a check box"},
      {Action::Press(2), "action 1 (press 2): control 2 is disabled"},
  };
  for (const auto& [action, problem] : cases) {
    Recorder h;
    h.init = [](DialogHandle d) { Recorder::FillLists(d); DialogEnable(d, 2, false); };
    EXPECT_EQ(RunSample(h, {action, Action::Press(1), Action::Press(1)}), 0);
    EXPECT_TRUE(h.heard.empty()) << problem;
    EXPECT_EQ(Last().problems, std::vector<std::string>{problem});
    EXPECT_EQ(wb_.dialogs().pendingActions(), 0u) << "the rest of the script is dropped";
  }
}

TEST_F(DialogService, ModuleCallsOnMissingControlsAreRecorded) {
  Recorder h;
  h.init = [](DialogHandle d) {
    DialogSetText(d, 77, "x");
    EXPECT_EQ(DialogGetText(d, 78), "");
    EXPECT_FALSE(DialogGetCheck(d, 5));  // not a check box: no problem, just false
    DialogSetCheck(d, 5, true);
    DialogSetSelection(d, 7, 1);  // a popup without items ignores it
  };
  // Running out of actions abandons the dialog.
  int32_t result = 0;
  EXPECT_EQ(RunSample(h, {}, &result), 0);
  EXPECT_EQ(result, kDialogAbandoned);
  EXPECT_FALSE(Last().endedByModule);
  EXPECT_EQ(Last().problems,
            (std::vector<std::string>{"SetText: the dialog has no control 77",
                                      "GetText: the dialog has no control 78",
                                      "SetCheck: control 5 is not a check box"}));
  EXPECT_EQ(Last().Find(7)->selection, 0);
}

TEST_F(DialogService, HandlerExceptionsStayOnTheModuleSide) {
  Recorder h;
  h.onEvent = [](DialogHandle, const DialogEvent& e) {
    if (e.control == 1) throw std::runtime_error("broken");
    throw std::bad_alloc();
  };
  int32_t result = 0;
  EXPECT_EQ(RunSample(h, {Action::Press(1), Action::Press(1)}, &result), -1);
  EXPECT_TRUE(Last().endedByModule);
  EXPECT_EQ(h.heard.size(), 1u) << "the run ends at the first exception";
  EXPECT_EQ(RunSample(h, {Action::Press(2)}), kHostErrNoMemory);
  Recorder initFails;
  initFails.init = [](DialogHandle) { throw 7; };
  EXPECT_EQ(RunSample(initFails, {Action::Press(1)}), -1);
  EXPECT_TRUE(initFails.heard.empty());
}

TEST_F(DialogService, NestedDialogsShareTheScript) {
  DialogDesc inner = SampleDialog();
  inner.id = 4343;
  Recorder innerHandler;
  innerHandler.onEvent = [](DialogHandle d, const DialogEvent& e) {
    if (e.control == 1) DialogEnd(d, 11);
  };
  Recorder outer;
  int32_t innerResult = 0;
  outer.onEvent = [&](DialogHandle d, const DialogEvent& e) {
    if (e.control == 2) {
      DialogRun(inner, innerHandler, &innerResult);
      DialogSetText(d, 5, "after inner");
    }
    if (e.control == 1) DialogEnd(d, 1);
  };
  RunSample(outer, {Action::Press(2), Action::SetText(5, "inner text"), Action::Press(1), Action::Press(1)});
  EXPECT_EQ(innerResult, 11);
  const auto& runs = wb_.dialogs().runs();
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(std::make_pair(runs[0].id, runs[0].Text(5)), std::make_pair(4343, std::string("inner text")));
  EXPECT_EQ(std::make_pair(runs[1].result, runs[1].Text(5)), std::make_pair(1, std::string("after inner")));
}

TEST(DialogServiceWithoutHost, RunFailsWithACode) {
  // No workbench: no dialog service is registered.
  Recorder h;
  int32_t result = 0;
  EXPECT_EQ(DialogRun(SampleDialog(), h, &result), kHostErrNoSuchDialog);
  EXPECT_EQ(result, kDialogAbandoned);
  EXPECT_EQ(DialogGetText(nullptr, 1), "");
}

// ---- Lists, radio groups, drawing areas and the file dialog ---------------------------

constexpr int32_t kRows = 8, kRadioA = 20, kRadioB = 21, kOther = 22, kFile = 7, kPath = 9,
                  kArea = 30;

DialogDesc KindsDialog() {
  using K = ControlKind;
  DialogDesc d{.id = 4343, .title = "Kinds"};
  d.controls = {{.id = kRows, .kind = K::kMultiList},         {.id = kRadioA, .kind = K::kRadio, .group = 1},
                {.id = kRadioB, .kind = K::kRadio, .group = 1}, {.id = kOther, .kind = K::kRadio, .group = 2},
                {.id = kFile, .kind = K::kButton},            {.id = kPath, .kind = K::kEdit},
                {.id = kArea, .kind = K::kDrawing, .width = 40, .height = 21}};
  return d;
}

// Fills the list, checks A and the other group's button, and answers the
// file button with the file dialog; logs the events it hears.
struct Handler : DialogHandler {
  std::vector<std::string> heard;
  void OnInit(DialogHandle d) override {
    const std::vector<std::string> rows = {"[+]\tdata", "\tw0", "\tw1"};
    DialogSetItems(d, kRows, rows);
    DialogSetCheck(d, kRadioA, true);
    DialogSetCheck(d, kOther, true);
    DialogDraw(d, kArea, Picture());
  }
  static std::vector<DrawStep> Picture() {
    using S = DrawStep::Kind;
    return {{.kind = S::kClip, .values = {2, 2, 66, 33}},
            {.kind = S::kFill, .colour = {255, 255, 255}, .values = {2, 2, 66, 33}},
            {.kind = S::kPen, .colour = {255, 0, 0}, .dotted = true},
            {.kind = S::kPolyline, .values = {2, 18, 68, 18}}};
  }
  void OnEvent(DialogHandle d, const DialogEvent& e) override {
    heard.push_back(std::to_string(static_cast<int>(e.kind)) + ":" + std::to_string(e.control) +
                    ":" + std::to_string(e.item));
    if (e.kind == DialogEventKind::kPressed) {
      std::string path;
      if (DialogChooseFile(d, "Pick", "Trees (*.tree)%*.tree%All%*.*%", &path))
        DialogSetText(d, kPath, path);
      else DialogSetText(d, kPath, "(none)");
    }
  }
};

class DialogKinds : public ::testing::Test {
 protected:
  DialogRecord Run(std::vector<A> actions) {
    wb_.dialogs().SetScript(std::move(actions));
    int32_t result = 0;
    EXPECT_EQ(DialogRun(desc_, handler_, &result), 0);
    return *wb_.dialogs().lastRun();
  }
  Workbench wb_{Workbench::Options{.memoryPrefs = true}};
  DialogDesc desc_ = KindsDialog();
  Handler handler_;
};

TEST_F(DialogKinds, RowsAreSelectedAndClickedAndRadioButtonsUncheckOnlyTheirGroup) {
  const DialogRecord run = Run({A::Select(kRows, {3}, {"w0"}), A::ClickRowText(kRows, "data"),
                                A::ClickRow(kRows, 3), A::Radio(kRadioB), A::Press(kFile), A::CancelFile()});
  EXPECT_TRUE(run.problems.empty());
  EXPECT_THAT(run.Find(kRows)->selectedRows, ElementsAre(1, 2));
  EXPECT_EQ(std::make_tuple(run.Find(kRadioA)->checked, run.Find(kRadioB)->checked, run.Find(kOther)->checked),
            std::make_tuple(false, true, true));
  // kItemChosen for the selection, kRowClicked with the row for each
  // click, kToggled for the radio button.
  // kPressed opens the file dialog (checked where the loaders' dialogs
  // use it): cancelled, it gives no file.
  EXPECT_THAT(handler_.heard, ElementsAre("2:8:0", "4:8:1", "4:8:3", "3:21:0", "0:7:0"));
  EXPECT_EQ(run.Text(kPath), "(none)");
}

TEST_F(DialogKinds, ADrawingAreaKeepsItsLastPicture) {
  // (Its size in pixels is checked where the file browser draws its preview.)
  const DialogRecord run = Run({});
  EXPECT_EQ(PictureJson(run.Find(kArea)->picture).dump(),
            R"([{"step":"clip","values":[2.0,2.0,66.0,33.0]},)"
            R"({"colour":[255,255,255],"step":"fill","values":[2.0,2.0,66.0,33.0]},)"
            R"({"colour":[255,0,0],"dotted":true,"step":"pen","values":[]},)"
            R"({"step":"polyline","values":[2.0,18.0,68.0,18.0]}])");
  // Only a drawing area takes a picture.
  wb_.dialogs().SetScript({});
  struct Wrong : Handler {
    void OnInit(DialogHandle d) override { DialogDraw(d, kPath, Picture()); }
  } wrong;
  int32_t result = 0;
  ASSERT_EQ(DialogRun(desc_, wrong, &result), 0);
  EXPECT_THAT(wb_.dialogs().lastRun()->problems, ElementsAre("Draw: control 9 is not a drawing area"));
}

TEST_F(DialogKinds, ActionsTheUserCouldNotTakeStopTheScript) {
  // An answer with no file dialog open; a press while one is open; a
  // selection in a control that is no such list; a row the list lacks.
  for (std::vector<A> script : {std::vector<A>{A::ChooseFile("/x")},
                                std::vector<A>{A::Press(kFile), A::Radio(kRadioB)},
                                std::vector<A>{A::Select(kPath, {1})},
                                std::vector<A>{A::ClickRowText(kRows, "w9"), A::Radio(kRadioB)}}) {
    const DialogRecord run = Run(script);
    EXPECT_EQ(run.problems.size(), 1u) << script[0].Describe();
    EXPECT_FALSE(run.endedByModule);
    EXPECT_EQ(wb_.dialogs().pendingActions(), 0u);
    EXPECT_TRUE(run.Find(kRadioA)->checked);
  }
}

}  // namespace
}  // namespace kwt
