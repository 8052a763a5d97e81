// LoadWave/T: the waves of an Igor text file, and its "X" lines run as
// command lines through the interpreter.
#pragma once

#include <cstdint>
#include <string_view>

namespace kwt {

class Interpreter;

// Loads Igor text into the current data folder; the "X" lines run through
// `interpreter`.  Existing waves are replaced only with `overwrite`.
// Returns 0 or a host code.
int32_t LoadItx(Interpreter& interpreter, std::string_view text, bool overwrite);

}  // namespace kwt
