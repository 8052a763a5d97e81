// The host services for waves: making, finding, killing and resizing
// them, their scaling, units and notes, and the lists of waves and windows.
#include "workbench/host/services.h"

#include <algorithm>
#include <memory>

#include "workbench/host/session.h"

namespace kwt {

int32_t Services::MakeWave(WaveHandle* out, std::string_view name, int64_t points,
                           int32_t type, bool overwrite) {
  if (out != nullptr) *out = nullptr;
  if (name.size() > static_cast<size_t>(kHostMaxNameLength)) return kHostErrNameTooLong;
  if (!IsValidName(name)) return kHostErrBadName;
  if (!HostWave::ValidType(type)) return kHostErrWrongType;
  if (points < 0) return kHostErrBadValue;
  if (!WaveFits(type, points)) return kHostErrNoMemory;
  HostWave* wave = session_.current().FindWave(name);
  if (wave == nullptr && session_.current().NameInUse(name)) return kHostErrNameInUse;
  if (wave != nullptr) {
    if (!overwrite) return kHostErrNameInUse;
    if (wave->lockCount > 0) return kHostErrWaveInUse;
    // An overwritten wave is made anew in place, so windows that show it
    // keep showing it.  Samples of the same type and size stay in the
    // memory they have, zeroed: a load that replaces its waves then costs
    // no new pages.  Memory that a view outside the session still shares
    // keeps its old samples: the new ones go to a new block.
    HostWave fresh;
    fresh.type = type;
    fresh.points = points;
    const size_t bytes = static_cast<size_t>(points) * HostWave::ElementSize(type);
    if (type == kWaveText) {
      fresh.texts.resize(static_cast<size_t>(points));
    } else if (type == wave->type && wave->samples.size() == bytes && !wave->samples.Shared()) {
      fresh.samples = std::move(wave->samples);
      fresh.samples.Clear();
    } else {
      fresh.samples = SampleBuffer::From(arena_, bytes);
    }
    fresh.name = wave->name;
    fresh.folder = wave->folder;
    *wave = std::move(fresh);
  } else {
    auto made = std::make_unique<HostWave>();
    made->name = std::string(name);
    made->folder = &session_.current();
    made->type = type;
    made->points = points;
    if (type == kWaveText) made->texts.resize(static_cast<size_t>(points));
    else made->samples = SampleBuffer::From(arena_, static_cast<size_t>(points) * HostWave::ElementSize(type));
    wave = made.get();
    session_.current().waves.push_back(std::move(made));
  }
  if (out != nullptr) *out = wave;
  return 0;
}

void Services::ReserveWaves(uint64_t bytes) {
  // Below a megabyte the heap serves the waves as well as a block would.
  constexpr uint64_t kSmallest = uint64_t{1} << 20;
  arena_ = bytes >= kSmallest && bytes <= SIZE_MAX ? SampleArena::Make(static_cast<size_t>(bytes))
                                                   : nullptr;
}

// The block lives on in the waves that took slices of it; what no wave
// took is never touched, so it costs no memory until the last one goes.
void Services::EndWaveReserve() { arena_ = nullptr; }

bool Services::WaveFits(int32_t type, int64_t points) const {
  const uint64_t size = type == kWaveText ? sizeof(std::string) : HostWave::ElementSize(type);
  // Sizes that overflow 64 bits never fit.
  if (points > 0 && static_cast<uint64_t>(points) > UINT64_MAX / size) return false;
  return limits_.maxWaveBytes == 0 || static_cast<uint64_t>(points) * size <= limits_.maxWaveBytes;
}

WaveHandle Services::FindWave(std::string_view name) {
  if (name.find(':') != std::string_view::npos) return session_.ResolveWave(name);
  return session_.current().FindWave(name);
}

WaveHandle Services::FetchWaveInFolder(FolderHandle folder, std::string_view name) {
  if (folder == nullptr) folder = &session_.current();
  return folder->FindWave(name);
}

int32_t Services::KillWave(WaveHandle wave) {
  if (wave == nullptr) return kHostErrExpectedWave;
  if (wave->lockCount > 0) return kHostErrWaveInUse;
  for (const Window& w : session_.windows())
    if (w.Shows(wave)) return kHostErrWaveInUse;
  auto& waves = wave->folder->waves;
  waves.erase(std::remove_if(waves.begin(), waves.end(),
                             [&](const std::unique_ptr<HostWave>& w) { return w.get() == wave; }),
              waves.end());
  return 0;
}

int32_t Services::Redimension(WaveHandle wave, int32_t type, int64_t points) {
  if (wave == nullptr) return kHostErrExpectedWave;
  if (!HostWave::ValidType(type)) return kHostErrWrongType;
  if (points < 0) return kHostErrBadValue;
  if (!WaveFits(type, points)) return kHostErrNoMemory;
  if (wave->lockCount > 0) return kHostErrWaveInUse;
  wave->Resize(type, points);
  return 0;
}

void* Services::WaveData(WaveHandle wave) {
  if (wave == nullptr || wave->type == kWaveText) return nullptr;
  return wave->samples.data();
}
int64_t Services::WavePoints(WaveHandle wave) { return wave != nullptr ? wave->points : 0; }
int32_t Services::WaveType(WaveHandle wave) { return wave != nullptr ? wave->type : -1; }
std::string Services::WaveName(WaveHandle wave) { return wave != nullptr ? wave->name : ""; }
std::string Services::QuoteName(std::string_view name) { return QuoteNameIfNeeded(name); }

int32_t Services::GetDimScaling(WaveHandle wave, int32_t dim, double* a, double* b) {
  if (wave == nullptr) return kHostErrExpectedWave;
  if (dim == -1) {
    if (a) *a = wave->fullScaleTop;
    if (b) *b = wave->fullScaleBottom;
    return 0;
  }
  if (dim < 0 || dim > 1) return kHostErrBadValue;
  if (a) *a = wave->dims[dim].delta;
  if (b) *b = wave->dims[dim].offset;
  return 0;
}

int32_t Services::SetDimScaling(WaveHandle wave, int32_t dim, std::optional<double> a,
                                std::optional<double> b) {
  if (wave == nullptr) return kHostErrExpectedWave;
  if (dim == -1) {
    if (a) wave->fullScaleTop = *a;
    if (b) wave->fullScaleBottom = *b;
    return 0;
  }
  if (dim < 0 || dim > 1) return kHostErrBadValue;
  // A delta of 0 would make every point the same x; the host refuses it.
  if (a && *a == 0.0) return kHostErrBadValue;
  if (a) wave->dims[dim].delta = *a;
  if (b) wave->dims[dim].offset = *b;
  return 0;
}

int32_t Services::GetDimUnits(WaveHandle wave, int32_t dim, std::string* units) {
  if (wave == nullptr) return kHostErrExpectedWave;
  if (dim == -1) *units = wave->dataUnits;
  else if (dim >= 0 && dim <= 1) *units = wave->dims[dim].units;
  else return kHostErrBadValue;
  return 0;
}

int32_t Services::SetDimUnits(WaveHandle wave, int32_t dim, std::string_view units) {
  if (wave == nullptr) return kHostErrExpectedWave;
  if (dim == -1) wave->dataUnits = std::string(units);
  else if (dim >= 0 && dim <= 1) wave->dims[dim].units = std::string(units);
  else return kHostErrBadValue;
  return 0;
}

std::string Services::GetWaveNote(WaveHandle wave) { return wave != nullptr ? wave->note : ""; }

int32_t Services::SetWaveNote(WaveHandle wave, std::string_view note) {
  if (wave == nullptr) return kHostErrExpectedWave;
  wave->note = std::string(note);
  return 0;
}

int32_t Services::WaveList(std::string* list, std::string_view match,
                           std::string_view separator, std::string_view options) {
  *list = session_.ListWaves(match, separator, options);
  return 0;
}

int32_t Services::WindowList(std::string* list, std::string_view match,
                             std::string_view separator, std::string_view options) {
  list->clear();
  // "WIN:" graphs and tables, "WIN:1" graphs, "WIN:2" tables.
  int kinds = 3;
  if (options == "WIN:1") kinds = 1;
  else if (options == "WIN:2") kinds = 2;
  for (const Window& w : session_.windows()) {
    const int bit = w.kind == Window::Kind::kGraph ? 1 : 2;
    if ((kinds & bit) == 0 || !MatchesPattern(w.name, match)) continue;
    list->append(w.name);
    list->append(separator);
  }
  return 0;
}

int32_t Services::LockWave(WaveHandle wave, bool lock) {
  if (wave == nullptr) return kHostErrExpectedWave;
  if (lock) ++wave->lockCount;
  else if (wave->lockCount > 0) --wave->lockCount;
  return 0;
}

}  // namespace kwt
