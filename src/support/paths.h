// Paths as the module forms them from the file names on its command lines:
// the file-name part, and the names of companion files beside a data file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kwt {

// The file-name part of a path: the text behind its last "/" or "\".
std::string_view PathFileName(std::string_view path);

// Replaces the text after the last "." of the file name in `name` by
// `extension` (given without the dot), in place.  False, with `name`
// unchanged, when name or extension is empty, the last component of the
// path has no ".", or the dot's offset plus the extension's length reaches
// `capacity` (the result would be longer than capacity characters).
bool ReplaceExtension(std::string& name, std::string_view extension, size_t capacity);

// A file name made fit to stand in a wave name ("$" in a base name): what
// a name cannot hold (quotes, colons, semicolons, control characters)
// becomes "_", and blanks at either end go.
std::string NameFromFileName(std::string_view fileName);

}  // namespace kwt
