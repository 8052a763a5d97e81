// Multi-select lists, radio groups, drawing areas and the file-open dialog of the dialog
// service, run by the workbench's scripted driver.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "host/dialog.h"
#include "workbench/export/session_dump.h"
#include "workbench/workbench.h"

namespace kwt {
namespace {

using A = DialogAction;
using ::testing::ElementsAre;

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
  int32_t width = 0, height = 0;
  EXPECT_TRUE(DialogDrawingSize(desc_, kArea, &width, &height));
  EXPECT_EQ(std::make_pair(width, height), std::make_pair(70, 37));  // 1.75 pixels a unit
  EXPECT_FALSE(DialogDrawingSize(desc_, kPath, &width, &height));
  const DialogRecord run = Run({});
  EXPECT_EQ(run.Find(kArea)->picture, Handler::Picture());
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
