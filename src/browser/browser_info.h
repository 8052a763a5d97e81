// The information texts of the browser's two panes: the root, a group or a
// series on the left, a sweep or a trace on the right, for Pulse and
// PatchMaster recordings.  Lines end in "\r"; the degree sign is byte 0xB0.
#pragma once

#include <string>

#include "browser/browser_state.h"
#include "browser/browser_tree.h"

namespace kwt {

struct BrowserPaneTexts {
  std::string leftTitle, leftText;    // "Root Info", "Group Info" or "Series Info"
  std::string rightTitle, rightText;  // the sweep or trace line and its text
  bool operator==(const BrowserPaneTexts&) const = default;
};

// The texts for a selection of the loaded trees: the root without a group,
// the group without a series, else the series on the left; on the right
// nothing without a series, else the sweep information (only its title
// without a sweep) or, for a PatchMaster trace, the trace information.
BrowserPaneTexts BrowserInformation(BrowserFormat format, const BrowserSelection& sel);

}  // namespace kwt
