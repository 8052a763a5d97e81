// The trees of one recording read and released together: what LoadPM and
// the file browser both do with a data file and its companions.
#pragma once

#include <cstdint>
#include <string>

#include "support/byte_reader.h"

namespace kwt {

// True when the file name's extension is exactly "dat", in any mix of cases.
bool IsDataFileName(const std::string& path);

// Reads the four trees of a bundle: the stimulus tree (10031 when it cannot
// be read), the pulsed tree (10032), then the amplifier and solution trees,
// which only add to the notes and texts and may be absent.  Returns 0 or
// the code.
int32_t ReadBundleTrees(const ByteSource& bundle);

// Reads the amplifier and solution files beside a data file, when there.
void ReadInfoTreesBeside(const std::string& dataPath);

// Reads the acquisition tree at `pulPath` of the kind its stimulus tree
// showed: the Pulse tree, or the PatchMaster pulsed tree with the
// amplifier and solution files beside `dataPath`.  Returns 0 or 10032.
int32_t ReadAcquisitionTrees(const std::string& pulPath, const std::string& dataPath,
                             bool pulseKind);

// Releases every tree of either kind of recording.
void ReleaseRecordingTrees();

// Releases the trees when it goes out of scope, however the reader ends.
struct RecordingTreesRelease {
  RecordingTreesRelease() = default;
  RecordingTreesRelease(const RecordingTreesRelease&) = delete;
  RecordingTreesRelease& operator=(const RecordingTreesRelease&) = delete;
  ~RecordingTreesRelease() { ReleaseRecordingTrees(); }
};

}  // namespace kwt
