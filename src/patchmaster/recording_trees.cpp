#include "patchmaster/recording_trees.h"

#include <string_view>

#include "host/result_codes.h"
#include "patchmaster/pm_tree.h"
#include "pulse/pulse_tree.h"
#include "patchmaster/pm_bundle.h"
#include "support/paths.h"

namespace kwt {

bool IsDataFileName(const std::string& path) {
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || path.find_first_of("/\\", dot) != std::string::npos) return false;
  const std::string_view ext = std::string_view(path).substr(dot + 1);
  return ext.size() == 3 && (ext[0] | 0x20) == 'd' && (ext[1] | 0x20) == 'a' &&
         (ext[2] | 0x20) == 't';
}

int32_t ReadBundleTrees(const ByteSource& bundle) {
  if (!ReadStimulusTreeFromBundle(bundle)) return kErrCannotOpenPgf;
  if (!ReadPulsedTreeFromBundle(bundle)) return kErrCannotOpenPul;
  ReadAmplifierTreeFromBundle(bundle);
  ReadSolutionTreeFromBundle(bundle);
  return 0;
}

void ReadInfoTreesBeside(const std::string& dataPath) {
  std::string path = dataPath;
  if (CompanionFileName(&path, kExtensionAmplifier)) ReadAmplifierTree(path);
  path = dataPath;
  if (CompanionFileName(&path, kExtensionSolution)) ReadSolutionTree(path);
}

int32_t ReadAcquisitionTrees(const std::string& pulPath, const std::string& dataPath,
                             bool pulseKind) {
  if (pulseKind) return ReadPulseAcquisitionTree(pulPath) ? 0 : kErrCannotOpenPul;
  if (!ReadPulsedTree(pulPath)) return kErrCannotOpenPul;
  ReadInfoTreesBeside(dataPath);
  return 0;
}

void ReleaseRecordingTrees() {
  FreePulsedTree();
  FreeStimulusTree();
  FreeAmplifierTree();
  FreeSolutionTree();
  ReleasePulseAcquisitionTree();
  ReleasePulseStimulusTree();
}

}  // namespace kwt
