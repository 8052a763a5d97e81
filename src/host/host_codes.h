// Host error codes that cross the seam.  The host owns their texts; the
// module passes them up unchanged.  The numbers the module itself returns
// (1, 2, 9, 11, 95) are fixed; the others are the workbench's own.
#pragma once

#include <cstdint>

namespace kwt {

inline constexpr int32_t kHostOk = 0;
inline constexpr int32_t kHostErrNoMemory = 1;
inline constexpr int32_t kHostErrExpectedWave = 2;
inline constexpr int32_t kHostErrNoSuchWave = 3;
inline constexpr int32_t kHostErrExpectedName = 4;
inline constexpr int32_t kHostErrExpectedNumber = 5;
inline constexpr int32_t kHostErrExpectedString = 6;
inline constexpr int32_t kHostErrSyntax = 7;
inline constexpr int32_t kHostErrExpectedEnd = 8;
inline constexpr int32_t kHostErrBadFlag = 9;
inline constexpr int32_t kHostErrNameTooLong = 10;
inline constexpr int32_t kHostErrExpectedEquals = 11;
inline constexpr int32_t kHostErrBadName = 12;
inline constexpr int32_t kHostErrNameInUse = 13;
inline constexpr int32_t kHostErrNoSuchFolder = 14;
inline constexpr int32_t kHostErrWaveInUse = 15;
inline constexpr int32_t kHostErrUnknownCommand = 16;
inline constexpr int32_t kHostErrFileOpen = 17;
inline constexpr int32_t kHostErrFileFormat = 18;
inline constexpr int32_t kHostErrBadValue = 19;
inline constexpr int32_t kHostErrPathTooLong = 20;
inline constexpr int32_t kHostErrNoSuchVariable = 21;
inline constexpr int32_t kHostErrWrongType = 22;
inline constexpr int32_t kHostErrCommandTooLong = 23;
inline constexpr int32_t kHostErrNoWindow = 24;
inline constexpr int32_t kHostErrNoSuchDialog = 25;
inline constexpr int32_t kHostErrExpectedStringVar = 95;
inline constexpr int32_t kHostErrInternal = 999;
// The operation or dialog is not built into this version of the module.
inline constexpr int32_t kHostErrNotInThisBuild = 1001;

// The longest command line the host runs, in bytes.
inline constexpr int kHostMaxCommandLength = 2500;
// The longest name of a wave, variable or folder.
inline constexpr int kHostMaxNameLength = 31;
// The longest path the module forms.
inline constexpr int kHostMaxPathLength = 259;

}  // namespace kwt
