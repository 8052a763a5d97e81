// Every result code that crosses the seam, on one floor below everything
// that returns one.
//
// 0 is success.  Host error codes (below 10000) are the host's: it owns
// their texts and the module passes them up unchanged; the numbers the
// module itself returns (1, 2, 9, 11, 95) are fixed, the others are the
// workbench's own.  10001 .. 10040 are the module's own errors; the host
// shows text (code - 10000) of the module's error-string list
// (resources::ErrorText) for each.  -1 is a failure without a text of its
// own, also a dialog's Cancel.
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

// ---- The module's own codes ------------------------------------------

inline constexpr int32_t kErrNotEnoughWaves = 10001;
inline constexpr int32_t kErrNoBaseName = 10002;
inline constexpr int32_t kErrTooManyWaves = 10003;
inline constexpr int32_t kErrNoMemoryForStats = 10004;
inline constexpr int32_t kErrNotFloatWave = 10005;
inline constexpr int32_t kErrNeedsFpu = 10006;
inline constexpr int32_t kErrAllocHandle = 10007;
inline constexpr int32_t kErrNoWaveList = 10008;
inline constexpr int32_t kErrNoWaves = 10009;
inline constexpr int32_t kErrExpectedBaseName = 10010;
inline constexpr int32_t kErrExpectedXWave = 10011;
inline constexpr int32_t kErrExpectedRefWave = 10012;
inline constexpr int32_t kErrExpectedZero = 10013;
inline constexpr int32_t kErrOutOfMemory = 10014;
inline constexpr int32_t kErrCannotCreateOutput = 10015;
inline constexpr int32_t kErrNoReferenceWave = 10016;
inline constexpr int32_t kErrMixedTypes = 10017;
inline constexpr int32_t kErrPgfName = 10029;
inline constexpr int32_t kErrPulName = 10030;
inline constexpr int32_t kErrCannotOpenPgf = 10031;
inline constexpr int32_t kErrCannotOpenPul = 10032;
inline constexpr int32_t kErrCannotOpenDat = 10033;
inline constexpr int32_t kErrNotDatFile = 10034;
inline constexpr int32_t kErrNameTooLong = 10035;
inline constexpr int32_t kErrReadGroup = 10036;
inline constexpr int32_t kErrReadSeries = 10037;
inline constexpr int32_t kErrReadSweep = 10038;
inline constexpr int32_t kErrReadTrace = 10039;
inline constexpr int32_t kErrTreesDontMatch = 10040;

// A failure without a text of its own (also a dialog's Cancel).
inline constexpr int32_t kErrNoText = -1;

}  // namespace kwt
