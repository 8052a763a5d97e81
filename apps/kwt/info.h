// kwt info: the tree of a recording, as text or JSON.
//
// Each recording format adds a reader in its own info_<format>.cpp with a
// static InfoRegistration; RunInfo asks them in turn.
#pragma once

#include <string>

namespace kwt {

// What a reader answers.
enum class InfoAnswer {
  kNotMine,  // the file is not of this reader's format: ask the next one
  kShown,    // printed to standard output
  kFailed,   // of this format, but damaged: a message went to standard error
};

using InfoReader = InfoAnswer (*)(const std::string& path, bool json);

struct InfoRegistration {
  // Lower `order` is asked first.
  InfoRegistration(int order, InfoReader reader);
};

// Prints the tree of the recording at `path`; returns the exit status
// (0, or 1 with a message on stderr when no reader takes the file).
int RunInfo(const std::string& path, bool json);

}  // namespace kwt
