// The texts of result codes, as the workbench shows them.
#pragma once

#include <cstdint>
#include <string>

namespace kwt {

// The text for a result code: the module's list for 10001..10040, the
// workbench's own texts otherwise; empty for 0.
std::string ErrorCodeText(int32_t code);

}  // namespace kwt
