#include "browser/browser_file.h"

#include "host/host.h"
#include "host/result_codes.h"
#include "patchmaster/pm_bundle.h"
#include "patchmaster/pm_tree.h"
#include "patchmaster/recording_trees.h"
#include "pulse/pulse_tree.h"
#include "support/byte_reader.h"
#include "support/paths.h"

namespace kwt {
namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The pulsed tree's probe answers 1 or 2 for the two formats, plus 4 when
// the file is big-endian.
BrowserFormat PulsedFormat(int32_t probe) {
  switch (probe & 3) {
    case 1: return BrowserFormat::kPulse;
    case 2: return BrowserFormat::kPatchMaster;
    default: return BrowserFormat::kNone;
  }
}

int32_t ReadBundle(const std::string& native, BrowserFormat* format) {
  // Read through the file itself, so that a bundle named "CELL.DAT" is
  // read as one.
  if (int32_t err = ReadBundleTrees(FileSource(native, FileSource::PathKind::kNative))) return err;
  *format = BrowserFormat::kPatchMaster;
  return 0;
}

int32_t ReadSiblings(const std::string& dat, BrowserFormat* format) {
  std::string pgf = dat;
  if (!CompanionFileName(&pgf, kExtensionStimulus)) return kErrPgfName;
  const StimulusTreeFormat stim = ProbeStimulusTreeFormat(pgf);
  if (stim == StimulusTreeFormat::kUnknown) {
    // A stimulus file that is there but of another level count is no tree
    // the browser knows; one that cannot be opened at all is reported as
    // such, which tells the user more.
    const FileSource probe(pgf, FileSource::PathKind::kNative);
    return probe.is_open() && probe.size() > 0 ? kErrCannotOpenPul : kErrCannotOpenPgf;
  }
  StimulusTreeFormat read = StimulusTreeFormat::kUnknown;
  if (!ReadStimulusTreeOfEitherFormat(pgf, &read)) return kErrCannotOpenPgf;
  const BrowserFormat stimFormat =
      read == StimulusTreeFormat::kPulse ? BrowserFormat::kPulse : BrowserFormat::kPatchMaster;

  std::string pul = dat;
  if (!CompanionFileName(&pul, kExtensionPulsed)) return kErrPulName;
  const BrowserFormat pulFormat = PulsedFormat(ProbePulKind(pul));
  if (pulFormat == BrowserFormat::kNone) return kErrCannotOpenPul;
  if (pulFormat != stimFormat) return kErrTreesDontMatch;
  if (int32_t err = ReadAcquisitionTrees(pul, dat, pulFormat == BrowserFormat::kPulse)) return err;
  *format = pulFormat;
  return 0;
}

}  // namespace

bool HasDatExtension(std::string_view path) {
  const std::string_view file = PathFileName(path);
  const size_t dot = file.rfind('.');
  if (dot == std::string_view::npos || file.size() - dot - 1 < 3) return false;
  return Upper(file[dot + 1]) == 'D' && Upper(file[dot + 2]) == 'A' && Upper(file[dot + 3]) == 'T';
}

int32_t ReadBrowserTrees(const std::string& path, BrowserFormat* format) {
  *format = BrowserFormat::kNone;
  ReleaseRecordingTrees();
  // The samples and the sibling trees belong to the "dat" name; a chosen
  // name whose extension is "dat" in capitals keeps its own spelling.
  std::string dat = path;
  if (!CompanionFileName(&dat, kExtensionData)) return kErrNotDatFile;
  if (IsDataFileName(path)) dat = path;
  std::string native = dat;
  if (HostToNativePath(&native) != 0) return kErrNotDatFile;

  DataFileKind kind = kDataFileRaw;
  BundleItemMask mask = 0;
  int32_t code = kErrNoText;
  if (DetectDataFileKind(dat, &kind, &mask, true) == 0)
    code = kind == kDataFileBundle ? ReadBundle(native, format) : ReadSiblings(native, format);
  if (code != 0) {
    ReleaseRecordingTrees();
    *format = BrowserFormat::kNone;
  }
  return code;
}

}  // namespace kwt
