// The module's own result codes.  The host shows text (code - 10000) of the
// error-string list (resources::ErrorText) for each of them.
#pragma once

#include <cstdint>

namespace kwt {

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
