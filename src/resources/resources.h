// The module's resources as data: the operation table, the menu, the
// error-string list and the About box.  The host reads them at load time.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace kwt::resources {

// Operation table: the position is the index a command message carries.
inline constexpr std::string_view kOperations[] = {
    "AutoStats", "PlotWaves", "SlimWaves", "LoadPulse", "LoadXChart", "LoadPM"};

// Menu resource 102.
inline constexpr int32_t kMenuId = 102;
inline constexpr std::string_view kMenuTitle = "KWT";

struct MenuItem {
  int32_t item;           // resource item number, from 1
  std::string_view text;  // "-" for a separator
};

// The menu's items in order.
std::span<const MenuItem> MenuItems();

// Error-string list 1100: text i belongs to result code 10000 + i.
inline constexpr int32_t kErrorListId = 1100;
inline constexpr int32_t kFirstModuleError = 10001;
inline constexpr int32_t kLastModuleError = 10040;

// The text of a module error code, or empty when the code is not one.
std::string_view ErrorText(int32_t code);

// The About box (dialog 1265).
inline constexpr int32_t kAboutDialogId = 1265;
inline constexpr std::string_view kAboutTitle = "About KWT";
// The credit lines of the About box.
std::string_view AboutText();

}  // namespace kwt::resources
