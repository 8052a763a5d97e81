// The data file of a PatchMaster recording: its kind, the bundle header with
// its item table, the names of the companion files and the format of the
// stimulus tree.
//
// A recording is either one bundle file (signature "DAT2") that holds the
// raw samples and the four trees as items, or a raw-data file beside sibling
// tree files of the same name with the extensions "pgf" (stimulus), "pul"
// (pulsed), "amp" (amplifier) and "sol" (solution).  The kind is told by the
// first four bytes of the data file:
//
//   "DAT2"                 kDataFileBundle (8): header and trees inside
//   "DAT1"                 kDataFileDat1 (4): raw data, trees beside it
//   "DATA"                 kDataFileData (2): raw data, trees beside it
//   not beginning "DAT"    kDataFileRaw (0): raw data, trees beside it
//   "DAT" and another byte refused
//
// The bundle header (256 bytes at offset 0) is stored in the byte order its
// flag at offset 52 gives: 0 big-endian, non-zero little-endian.  Its item
// table holds 12 items of 16 bytes from offset 64; the trees sit at fixed
// item positions (1 pulsed, 2 stimulus, 3 amplifier, 4 solution), whatever
// the extension texts of the items say.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "support/byte_reader.h"

namespace kwt {

// ---- Kinds ------------------------------------------------------------------

using DataFileKind = int32_t;
inline constexpr DataFileKind kDataFileRaw = 0;
inline constexpr DataFileKind kDataFileData = 2;
inline constexpr DataFileKind kDataFileDat1 = 4;
inline constexpr DataFileKind kDataFileBundle = 8;

// ---- Bundle header ----------------------------------------------------------

inline constexpr size_t kBundleHeaderSize = 256;
inline constexpr size_t kBundleItemCount = 12;

// Item positions of the trees.
inline constexpr size_t kBundleItemPulsed = 1;
inline constexpr size_t kBundleItemStimulus = 2;
inline constexpr size_t kBundleItemAmplifier = 3;
inline constexpr size_t kBundleItemSolution = 4;

struct BundleItem {
  int32_t start = 0;          // 0: absolute offset in the bundle; 0 = absent
  int32_t length = 0;         // 4: bytes
  char extension[8 + 1] = {};  // 8: not consulted

  bool operator==(const BundleItem&) const = default;
};

struct BundleHeader {
  char signature[8 + 1] = {};     // 0: begins "DAT2"
  char versionText[32 + 1] = {};  // 8
  double time = 0.0;              // 40
  int32_t itemCount = 0;          // 48
  uint8_t littleEndianFlag = 0;   // 52: 0 = header stored big-endian
  std::array<BundleItem, kBundleItemCount> items = {};  // 64

  bool operator==(const BundleHeader&) const = default;
};

// Bit i of the item presence mask is set when item i's start is non-zero.
using BundleItemMask = uint32_t;

// Decodes a header from its 256 bytes (fewer read as zeros), in the order
// that its byte 52 gives.
BundleHeader DecodeBundleHeader(std::span<const uint8_t> bytes);

// The presence mask of a header's items.
BundleItemMask ItemMask(const BundleHeader& header);

// Where item `item` lies in a bundle of `fileSize` bytes.  False when the
// item is absent (start 0), its start or length is negative, or it reaches
// beyond the end of the file; a tree there is unreadable.
bool BundleItemExtent(const BundleHeader& header, size_t item, uint64_t fileSize,
                      uint64_t* start, uint64_t* length);

// ---- Detection --------------------------------------------------------------

// Tells the kind of the data file at `path`: the path is converted with
// HostToNativePath and the file opened read-only (and closed again).
// Returns 0 with *kind and *mask set, or -1: the file cannot be opened
// (then, unless quiet, an alert titled "KWT" shows error 10033), it is
// empty, its signature is "DAT" with a fourth byte other than '1', 'A' or
// '2', or it is a bundle shorter than its header.  For a bundle the header
// becomes the module's current one (CurrentBundleHeader); any other answer
// clears it.  *mask is 0 for kinds other than kDataFileBundle.
int32_t DetectDataFileKind(const std::string& path, DataFileKind* kind, BundleItemMask* mask,
                           bool quiet);
// The same for bytes at hand (no alert).
int32_t DetectDataFileKind(const ByteSource& source, DataFileKind* kind, BundleItemMask* mask);

// The header of the bundle last detected; all zeros when the last detection
// found no bundle or failed.
const BundleHeader& CurrentBundleHeader();

// ---- Companion files --------------------------------------------------------

// The file extensions of a recording's files.
inline constexpr char kExtensionData[] = "dat";
inline constexpr char kExtensionStimulus[] = "pgf";
inline constexpr char kExtensionPulsed[] = "pul";
inline constexpr char kExtensionAmplifier[] = "amp";
inline constexpr char kExtensionSolution[] = "sol";

// The longest path the module handles.
inline constexpr size_t kMaxPathLength = 259;

// Replaces the text after the last "." of the file name in *path by
// `extension`.  False, with *path unchanged, when the name is empty, has no
// extension, or the result would be longer than kMaxPathLength characters.
bool CompanionFileName(std::string* path, const char* extension);

// True when the text after the last "." of the file name is exactly "dat":
// the trees are then taken from the bundle.
bool HasDataExtension(const std::string& path);

// ---- Stimulus tree format ---------------------------------------------------

// The format of a sibling stimulus tree, told by its level count.
enum class StimulusTreeFormat : uint8_t {
  kUnknown,      // not a tree, empty, unreadable, or another level count
  kPatchMaster,  // 4 levels: root, stimulation, channel, segment
  kPulse,        // 3 levels: root, stimulation, segment
};

// The format of the stimulus tree file at `path` (a native path) or in
// `source`.
StimulusTreeFormat ProbeStimulusTreeFormat(const std::string& path);
StimulusTreeFormat ProbeStimulusTreeFormat(const ByteSource& source);

}  // namespace kwt
