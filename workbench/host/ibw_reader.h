// Reading binary wave files (.ibw, version 5, either byte order) into the
// current data folder: samples, x scaling and the second dimension's,
// data full scale, units (extended units too) and the note.
//
// The file is untrusted.  Every section size is checked against the file
// before anything is made, so the wave's memory is bounded by the file's
// size; the header checksum must hold.
#pragma once

#include <cstdint>

namespace kwt {

class ByteSource;
class HostServices;
class Session;

// Makes the wave that `file` holds in the current folder (replacing one of
// its name only with `overwrite`).  Returns 0; kHostErrFileFormat for a
// file that is not a version 5 binary wave or is damaged, with a diagnosis
// that says what is wrong; or the code MakeWave gave.
int32_t LoadIbw(Session& session, HostServices& host, const ByteSource& file, bool overwrite);

}  // namespace kwt
