// Entry, message routine and operation dispatch.
#include "frame/frame.h"

#include <new>

#include "frame/menu_actions.h"
#include "host/result_codes.h"
#include "waveutils/wave_util_settings.h"

namespace kwt {
namespace {

HostRecord* gRecord = nullptr;

// Runs one piece of module work so that nothing escapes to the host: a
// failed allocation becomes host code 1, anything else -1.
template <class F>
int32_t Guarded(F&& work) {
  try {
    return work();
  } catch (const std::bad_alloc&) {
    return kHostErrNoMemory;
  } catch (const std::exception& e) {
    HostDiagnose(std::string("an internal error: ") + e.what());
    return kErrNoText;
  } catch (...) {
    HostDiagnose("an internal error");
    return kErrNoText;
  }
}

int32_t HandleMessage(const HostRecord& record) {
  switch (record.message) {
    case kMessageCommand: {
      // The operation index is item 1; a message with fewer than two items
      // runs operation 0.
      const int32_t index = record.items.size() >= 2 ? record.items[1] : 0;
      return DoOperation(index);
    }
    case kMessageMenuItem:
      return DoMenuItem();
    case kMessageMenuEnable:
      return EnableMenuItems();
    default:
      return 0;
  }
}

}  // namespace

void main(HostRecord* record) {
  gRecord = record;
  HostAttach(record);
  // Module-wide settings start afresh with every load.
  ResetWaveUtilSettings();
  record->entry = &XOPEntry;
  record->result = 0;
}

void XOPEntry() {
  if (gRecord == nullptr) return;
  // An operation run from inside another (through HostExecute) keeps the
  // outer one's record of memory that ran out.
  const bool outerMet = HostTakeOutOfMemory();
  int32_t result = Guarded([] { return HandleMessage(*gRecord); });
  // Work that went on without memory it needed has not succeeded.
  if (HostTakeOutOfMemory() && result == 0) result = kHostErrNoMemory;
  if (outerMet) HostNoteOutOfMemory();
  gRecord->typeWord = 0;
  gRecord->result = result;
}

int32_t DoOperation(int32_t index) {
  const OperationHandler handler = OperationFor(index);
  if (handler == nullptr) return kHostErrNotInThisBuild;
  return handler();
}

int32_t EnableMenuItems() { return 0; }

}  // namespace kwt
