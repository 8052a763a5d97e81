// The session dump (session.json and one .npy file per wave) as one zip
// archive, for a download.
#pragma once

#include <string>

namespace kwt {

class Workbench;

// The archive's bytes in *zip; false with a message when the dump or the
// archive cannot be made.  The dump is written to a temporary folder that
// is removed again.
bool SessionDumpZip(Workbench& workbench, std::string* zip, std::string* error);

}  // namespace kwt
