// The browser page, embedded in the program: plain HTML, CSS and
// JavaScript from workbench/ui/page/, nothing fetched from elsewhere.  The
// page's "{{TOKEN}}" is replaced by the session's token when it is served.
#pragma once

#include <string_view>

namespace kwt {

extern const std::string_view kPageHtml;
extern const std::string_view kPageScript;
extern const std::string_view kPageStyle;

}  // namespace kwt
