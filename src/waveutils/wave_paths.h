// Names and paths of waves as the wave utilities write them into command
// lines and read them back from wave lists.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "host/host.h"

namespace kwt {

// Encloses in single quotes every ":"-separated component of `path` that
// holds a character other than an ASCII letter, digit or "_" and is not
// quoted already ("root:my data:w 1" becomes "root:'my data':'w 1'").
// Returns true when it added quotes.  The text grows by two characters per
// quoted component.
bool QuotePathComponents(std::string* path);

// Removes a leading single quote and then a trailing one; returns true when
// the name began with a quote.
bool StripNameQuotes(std::string* name);

// Splits "root:a:w" into the folder path with its colon ("root:a:") and the
// name after the last colon ("w").  Without a colon the folder is empty.
void SplitFolderAndName(std::string_view path, std::string* folder, std::string* name);

// The full path of the wave's data folder, ending in ":" (unquoted).
// Returns 0 or the code of the host's folder services.
int32_t WaveFolderPath(WaveHandle wave, std::string* path);

// The wave's folder path followed by its name, unquoted ("root:my data:w").
// Returns 0, the host's code, or kHostErrPathTooLong when the path would be
// longer than kHostMaxPathLength.
int32_t WaveFullPath(WaveHandle wave, std::string* path);

// The wave's full path as it stands in a command line: the folder path
// through QuotePathComponents, the name through HostQuoteName
// ("root:'my data':'w 1'").  Returns 0 or the code of WaveFullPath.
int32_t WaveCommandPath(WaveHandle wave, std::string* path);

}  // namespace kwt
