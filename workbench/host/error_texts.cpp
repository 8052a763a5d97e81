// Texts of result codes as the workbench shows them.
#include "workbench/host/error_texts.h"

#include "host/host.h"
#include "resources/resources.h"
#include "support/format.h"

namespace kwt {

std::string ErrorCodeText(int32_t code) {
  if (code == 0) return {};
  const std::string_view module = resources::ErrorText(code);
  if (!module.empty()) return std::string(module);
  switch (code) {
    case -1: return "the operation failed";
    case kHostErrNoMemory: return "out of memory";
    case kHostErrExpectedWave: return "expected wave name";
    case kHostErrNoSuchWave: return "no wave of that name";
    case kHostErrExpectedName: return "expected name";
    case kHostErrExpectedNumber: return "expected number";
    case kHostErrExpectedString: return "expected string";
    case kHostErrSyntax: return "syntax error";
    case kHostErrExpectedEnd: return "expected end of command";
    case kHostErrBadFlag: return "unknown flag";
    case kHostErrNameTooLong: return "name too long (at most 31 characters)";
    case kHostErrExpectedEquals: return "expected \"=\"";
    case kHostErrBadName: return "not a valid name";
    case kHostErrNameInUse: return "name already in use";
    case kHostErrNoSuchFolder: return "no data folder of that name";
    case kHostErrWaveInUse: return "the wave is in use";
    case kHostErrUnknownCommand: return "unknown command or procedure";
    case kHostErrFileOpen: return "cannot open the file";
    case kHostErrFileFormat: return "the file is not in the expected format";
    case kHostErrBadValue: return "value out of range";
    case kHostErrPathTooLong: return "path too long (at most 259 characters)";
    case kHostErrNoSuchVariable: return "no variable of that name";
    case kHostErrWrongType: return "an object of another type has that name";
    case kHostErrCommandTooLong: return "command line too long";
    case kHostErrNoWindow: return "no window to act on";
    case kHostErrNoSuchDialog: return "no dialog of that name";
    case kHostErrExpectedStringVar: return "expected string variable";
    case kHostErrInternal: return "internal error";
    case kHostErrNotInThisBuild: return "not available in this build of KWT";
    default: return Format("error %d", code);
  }
}

}  // namespace kwt
