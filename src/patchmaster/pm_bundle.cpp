#include "patchmaster/pm_bundle.h"

#include <array>

#include "host/host.h"
#include "host/result_codes.h"
#include "pulse/pulse_tree.h"
#include "support/fixed_text.h"
#include "support/paths.h"
#include "support/record_decoder.h"

namespace kwt {
namespace {

// The bundle header's fields and its table of items, each item 16 bytes.
using H = BundleHeader;
constexpr RecordField<BundleHeader> kHeaderFields[] = {
    Field<&H::signature>(0), Field<&H::versionText>(8),       Field<&H::time>(40),
    Field<&H::itemCount>(48), Field<&H::littleEndianFlag>(52),
};
constexpr size_t kLittleEndianFlagOffset = 52;
constexpr size_t kItemsOffset = 64;
constexpr size_t kItemSize = 16;
constexpr RecordField<BundleItem> kItemFields[] = {
    Field<&BundleItem::start>(0), Field<&BundleItem::length>(4), Field<&BundleItem::extension>(8),
};
static_assert(KnownSize(kHeaderFields) <= kItemsOffset);
static_assert(KnownSize(kItemFields) == kItemSize);
static_assert(kItemsOffset + kBundleItemCount * kItemSize == kBundleHeaderSize);

// The header of the bundle last detected.  The host calls the module on one
// thread, one message at a time.
BundleHeader gHeader;

// The kind that the first four bytes announce; false for "DAT" followed by
// a byte that names no kind.  The bytes are tested one by one, so the
// host's byte order plays no part.
bool KindFromSignature(const std::array<uint8_t, 4>& sig, DataFileKind* kind) {
  if (sig[0] != 'D' || sig[1] != 'A' || sig[2] != 'T') {
    *kind = kDataFileRaw;
    return true;
  }
  switch (sig[3]) {
    case '1':
      *kind = kDataFileDat1;
      return true;
    case 'A':
      *kind = kDataFileData;
      return true;
    case '2':
      *kind = kDataFileBundle;
      return true;
    default:
      return false;
  }
}

// Bytes as text for a message: what is not printable ASCII shows as "?".
std::string PrintableText(std::span<const uint8_t> bytes) {
  std::string text;
  for (uint8_t b : bytes) text += b >= 0x20 && b < 0x7F ? static_cast<char>(b) : '?';
  return text;
}

}  // namespace

BundleHeader DecodeBundleHeader(std::span<const uint8_t> bytes) {
  BundleHeader header;
  header.littleEndianFlag = LoadU8(bytes, kLittleEndianFlagOffset);
  // The flag byte is read as it stands; it decides how every number of the
  // header is taken.
  const ByteOrder order = header.littleEndianFlag == 0 ? ByteOrder::kBig : ByteOrder::kLittle;
  DecodeFields(kHeaderFields, bytes, order, &header);
  for (size_t i = 0; i < kBundleItemCount; ++i)
    DecodeFields(kItemFields, RecordBlock(bytes, kItemsOffset + i * kItemSize, kItemSize), order,
                 &header.items[i]);
  return header;
}

BundleItemMask ItemMask(const BundleHeader& header) {
  BundleItemMask mask = 0;
  for (size_t i = 0; i < kBundleItemCount; ++i)
    if (header.items[i].start != 0) mask |= BundleItemMask{1} << i;
  return mask;
}

bool BundleItemExtent(const BundleHeader& header, size_t item, uint64_t fileSize,
                      uint64_t* start, uint64_t* length) {
  *start = 0;
  *length = 0;
  if (item >= kBundleItemCount) return false;
  const BundleItem& entry = header.items[item];
  // Both numbers come from the file: a negative one, or an item that would
  // end beyond the file, points at bytes that are not there.  The sum is
  // formed in 64 bits from two values below 2^31, so it cannot wrap.
  if (entry.start <= 0 || entry.length < 0) return false;
  const auto first = static_cast<uint64_t>(entry.start);
  const auto bytes = static_cast<uint64_t>(entry.length);
  if (first > fileSize || bytes > fileSize - first) return false;
  *start = first;
  *length = bytes;
  return true;
}


int32_t DetectDataFileKind(const ByteSource& source, DataFileKind* kind, BundleItemMask* mask) {
  *kind = kDataFileRaw;
  *mask = 0;
  gHeader = BundleHeader{};
  if (source.size() == 0) return kErrNoText;

  // A file shorter than four bytes reads as its bytes and zeros: it cannot
  // carry the full signature and counts as raw data unless it begins "DAT".
  std::array<uint8_t, 4> signature{};
  source.ReadAt(0, signature);
  DataFileKind found = kDataFileRaw;
  if (!KindFromSignature(signature, &found)) return kErrNoText;

  if (found == kDataFileBundle) {
    // The item table is the last part of the header; a bundle cut inside
    // its header has no trustworthy table, so it is refused rather than
    // read with zeros for the missing items.
    if (source.size() < kBundleHeaderSize) return kErrNoText;
    std::array<uint8_t, kBundleHeaderSize> bytes{};
    if (source.ReadAt(0, bytes) != bytes.size()) return kErrNoText;
    gHeader = DecodeBundleHeader(bytes);
    *mask = ItemMask(gHeader);
  }
  *kind = found;
  return 0;
}

int32_t DetectDataFileKind(const std::string& path, DataFileKind* kind, BundleItemMask* mask,
                           bool quiet) {
  *kind = kDataFileRaw;
  *mask = 0;
  gHeader = BundleHeader{};
  std::string native = path;
  // A path the host cannot convert names no file this module could open.
  const bool converted = HostToNativePath(&native) == 0;
  const FileSource file(converted ? native : std::string());
  if (!converted || !file.is_open()) {
    file.DiagnoseFailure(path);
    if (!quiet) HostErrorAlert("KWT", kErrCannotOpenDat);
    return kErrNoText;
  }
  const int32_t result = DetectDataFileKind(file, kind, mask);
  if (result != 0) {
    std::array<uint8_t, 4> head{};
    file.ReadAt(0, head);
    HostDiagnose(file.size() == 0 ? path + " is empty"
                 : file.size() < kBundleHeaderSize && head[0] == 'D' && head[1] == 'A' &&
                         head[2] == 'T' && head[3] == '2'
                     ? path + " ends inside its bundle header"
                     : path + " begins with \"" + PrintableText(head) +
                           "\", which no data file does");
  }
  return result;
}

const BundleHeader& CurrentBundleHeader() { return gHeader; }

bool CompanionFileName(std::string* path, const char* extension) {
  return ReplaceExtension(*path, extension, kMaxPathLength);
}

bool HasDataExtension(const std::string& path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos) return false;
  // A dot in a folder name is no extension of the file.
  const size_t separator = path.find_last_of("/\\");
  if (separator != std::string::npos && dot < separator) return false;
  return path.compare(dot + 1, std::string::npos, kExtensionData) == 0;
}

StimulusTreeFormat ProbeStimulusTreeFormat(const ByteSource& source) {
  // The level count, read in the order the magic announces, tells the two
  // stimulus tree formats apart.
  switch (ProbePgfKind(source)) {
    case 1:
      return StimulusTreeFormat::kPulse;
    case 2:
      return StimulusTreeFormat::kPatchMaster;
    default:
      return StimulusTreeFormat::kUnknown;
  }
}

StimulusTreeFormat ProbeStimulusTreeFormat(const std::string& path) {
  const FileSource file(path);
  return file.is_open() ? ProbeStimulusTreeFormat(file) : StimulusTreeFormat::kUnknown;
}

}  // namespace kwt
