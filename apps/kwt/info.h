// kwt info: the tree of a recording, as text or JSON.
//
// The text is for people: by default a summary (groups and series with
// their sweep counts, trace labels, sampling, stimulation and duration),
// with --full every sweep and trace.  JSON always holds everything.  Items
// of a damaged recording that a load would leave out are marked "damaged"
// in both.
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

struct InfoOptions {
  bool json = false;  // JSON instead of text
  bool full = false;  // text: every sweep and trace, not the summary
};

using InfoReader = InfoAnswer (*)(const std::string& path, const InfoOptions& options);

struct InfoRegistration {
  // Lower `order` is asked first.
  InfoRegistration(int order, InfoReader reader);
};

// Prints the tree of the recording at `path`; returns the exit status
// (0, or 1 with a message on stderr when no reader takes the file).
int RunInfo(const std::string& path, bool json, bool full = false);

// The tree of the recording at `path` as the JSON text that kwt info
// --json prints, for programs that embed the readers; false with the
// reason (the message kwt info prints, without its "kwt: info: ") when no
// reader takes the file or it cannot be read.
bool InfoJson(const std::string& path, std::string* json, std::string* error);

// Where the readers write: the JSON text to standard output and the
// reason a file cannot be described to standard error, each with a line
// end, or, while InfoJson runs on this thread, into its strings.
void InfoPrintJson(const std::string& text);
void InfoFailure(const std::string& message);

}  // namespace kwt
