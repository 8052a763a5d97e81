// What a user does in a dialog, as the workbench's drivers take it: one
// action at a time, from a script (tests, kwt --dialog) or from another
// front end that feeds the same actions.
//
// Items of popups and lists, and rows of multi-select lists, are named by
// number (from 1) or by text.  A text names the first item that equals it,
// else the first that equals it but for case, else the first whose last
// tab-separated column does (a wave row "\tw0" answers to "w0", a folder
// row "[+]\tdata" to "data").
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kwt {

struct DialogAction {
  enum class Kind {
    kSetText,     // type `text` into an edit field
    kChoose,      // choose item `item` (or the item named `text`) of a popup or list
    kToggle,      // click a check box
    kCheck,       // set a check box to `item` (0 or 1); no click when it is so already
    kPress,       // press a button
    kSelect,      // select exactly `items` and the rows named by `texts` of a multi-select list
    kClickRow,    // click row `item` (or the row named `text`) of a multi-select list
    kRadio,       // choose a radio button
    kChooseFile,  // answer the open file dialog with the file `text`
    kCancelFile,  // cancel the open file dialog
  };
  Kind kind = Kind::kPress;
  int32_t control = 0;
  std::string text;  // kSetText: the new text; kChoose, kClickRow: the item's text when item is 0;
                     // kChooseFile: the path
  int32_t item = 0;  // kChoose, kClickRow: the item from 1; kCheck: the wanted state (0 or 1)
  std::vector<int32_t> items;      // kSelect: rows by number
  std::vector<std::string> texts;  // kSelect: rows by text

  static DialogAction SetText(int32_t control, std::string text);
  static DialogAction Choose(int32_t control, int32_t item);
  static DialogAction ChooseText(int32_t control, std::string itemText);
  static DialogAction Toggle(int32_t control);
  static DialogAction Check(int32_t control, bool checked);
  static DialogAction Press(int32_t control);
  static DialogAction Select(int32_t control, std::vector<int32_t> rows,
                             std::vector<std::string> rowTexts = {});
  static DialogAction ClickRow(int32_t control, int32_t row);
  static DialogAction ClickRowText(int32_t control, std::string rowText);
  static DialogAction Radio(int32_t control);
  static DialogAction ChooseFile(std::string path);
  static DialogAction CancelFile();

  // True for the two answers of a file dialog.
  bool AnswersFileDialog() const { return kind == Kind::kChooseFile || kind == Kind::kCancelFile; }

  // "set 9=1m", "choose 5=3", "select 8=1,3", "file /data/a.tree", ...
  // (host bytes).
  std::string Describe() const;
};

// The item of `items` (from 1) that `text` names by the rule above; 0 when
// none does.
int32_t FindItemByText(const std::vector<std::string>& items, const std::string& text);

}  // namespace kwt
