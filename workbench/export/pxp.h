// Packed experiments (.pxp): the whole session in one file of records,
// each an 8-byte header (record type, version, byte count) and its bytes:
//
//   variables of root, a wave record per wave of root,
//   for each data folder: folder start (its name), its variables, its
//     waves and folders, folder end;
//   the history text, and the windows as recreation macros.
//
// Wave records are binary wave records (ibw.h), streamed to the file
// straight from the waves.  Numbers are little-endian.
#pragma once

#include <string>

namespace kwt {

class Session;

// Writes the session to `path`; false with *error ("wave root:w has more
// samples than a record can hold", "cannot write x.pxp: ...").  Nothing
// is written when a wave cannot be stored.
bool SavePxp(const Session& session, const std::string& path, std::string* error);

// Writes one .ibw file per wave below `dir`, in folders that mirror the
// data folders ("DIR/root/cell/Pulse_1_1_1.ibw"); false with *error.
bool SaveIbwFiles(const Session& session, const std::string& dir, std::string* error);

}  // namespace kwt
