// Forwarding of the dialog service to the host's implementation, and the
// guard that keeps the module's handler exceptions on the module's side.
#include "host/dialog.h"

#include <cmath>
#include <new>

#include "host/host.h"
#include "host/result_codes.h"

namespace kwt {
namespace {

// The host's implementation; null until the host registers one (and again
// after it has gone), so that every call below can answer without a host.
DialogServices* gServices = nullptr;

// The handler the host sees.  Whatever the module's handler throws is
// caught here: the run ends with the matching code and the host never
// sees the exception.
class GuardedHandler final : public DialogHandler {
 public:
  explicit GuardedHandler(DialogHandler& inner) : inner_(inner) {}

  void OnInit(DialogHandle dialog) override {
    Guard(dialog, [&] { inner_.OnInit(dialog); });
  }
  void OnEvent(DialogHandle dialog, const DialogEvent& event) override {
    Guard(dialog, [&] { inner_.OnEvent(dialog, event); });
  }

  // The code of the first exception, 0 when none was raised.
  int32_t failure() const { return failure_; }

 private:
  template <class F>
  void Guard(DialogHandle dialog, F&& work) {
    // After a failure the dialog is already ending; further events (a host
    // may still deliver one) are not handed on.
    if (failure_ != 0) return;
    try {
      work();
      return;
    } catch (const std::bad_alloc&) {
      failure_ = kHostErrNoMemory;
    } catch (...) {
      failure_ = kErrNoText;
    }
    DialogEnd(dialog, failure_);
  }

  DialogHandler& inner_;
  int32_t failure_ = 0;
};

// Calls f on the host; without a host, or when the host throws, the answer
// is `failed`.  Getters thereby answer empty values, as for a missing
// control.
template <class R, class F>
R Call(R failed, F&& f) {
  if (gServices == nullptr) return failed;
  try {
    return f(*gServices);
  } catch (...) {
    return failed;
  }
}

// The same for calls without an answer.
template <class F>
void Void(F&& f) {
  if (gServices == nullptr) return;
  try {
    f(*gServices);
  } catch (...) {
  }
}

}  // namespace

const ControlDesc* DialogDesc::Find(int32_t controlId) const {
  for (const ControlDesc& c : controls)
    if (c.id == controlId) return &c;
  return nullptr;
}

void HostRegisterDialogServices(DialogServices* services) { gServices = services; }

int32_t DialogRun(const DialogDesc& desc, DialogHandler& handler, int32_t* result) {
  *result = kDialogAbandoned;
  if (gServices == nullptr) return kHostErrNoSuchDialog;
  // The host sees only the guard; the module's handler is called through it.
  GuardedHandler guarded(handler);
  int32_t code = 0;
  try {
    code = gServices->RunModal(desc, guarded, result);
  } catch (const std::bad_alloc&) {
    code = kHostErrNoMemory;
  } catch (...) {
    code = kHostErrInternal;
  }
  // A handler that failed ended the run itself; its code says more than
  // the host's 0.
  if (guarded.failure() != 0) return guarded.failure();
  return code;
}

void DialogEnd(DialogHandle dialog, int32_t result) {
  Void([&](DialogServices& s) { s.End(dialog, result); });
}

std::string DialogGetText(DialogHandle dialog, int32_t control) {
  return Call<std::string>({}, [&](DialogServices& s) { return s.GetText(dialog, control); });
}
void DialogSetText(DialogHandle dialog, int32_t control, std::string_view text) {
  Void([&](DialogServices& s) { s.SetText(dialog, control, text); });
}
bool DialogGetCheck(DialogHandle dialog, int32_t control) {
  return Call<bool>(false, [&](DialogServices& s) { return s.GetCheck(dialog, control); });
}
void DialogSetCheck(DialogHandle dialog, int32_t control, bool checked) {
  Void([&](DialogServices& s) { s.SetCheck(dialog, control, checked); });
}
void DialogSetItems(DialogHandle dialog, int32_t control, std::span<const std::string> items) {
  Void([&](DialogServices& s) { s.SetItems(dialog, control, items); });
}
int32_t DialogGetSelection(DialogHandle dialog, int32_t control) {
  return Call<int32_t>(0, [&](DialogServices& s) { return s.GetSelection(dialog, control); });
}
void DialogSetSelection(DialogHandle dialog, int32_t control, int32_t item) {
  Void([&](DialogServices& s) { s.SetSelection(dialog, control, item); });
}
void DialogEnable(DialogHandle dialog, int32_t control, bool enabled) {
  Void([&](DialogServices& s) { s.Enable(dialog, control, enabled); });
}
void DialogSetFocus(DialogHandle dialog, int32_t control, bool selectAll) {
  Void([&](DialogServices& s) { s.SetFocus(dialog, control, selectAll); });
}

std::vector<int32_t> DialogGetSelectedRows(DialogHandle dialog, int32_t control) {
  return Call<std::vector<int32_t>>(
      {}, [&](DialogServices& s) { return s.GetSelectedRows(dialog, control); });
}
void DialogSetSelectedRows(DialogHandle dialog, int32_t control, std::span<const int32_t> rows) {
  Void([&](DialogServices& s) { s.SetSelectedRows(dialog, control, rows); });
}
void DialogSetRowLevels(DialogHandle dialog, int32_t control, std::span<const int32_t> levels) {
  Void([&](DialogServices& s) { s.SetRowLevels(dialog, control, levels); });
}

bool DialogDrawingSize(const DialogDesc& desc, int32_t control, int32_t* width, int32_t* height) {
  *width = *height = 0;
  for (const ControlDesc& c : desc.controls) {
    if (c.id != control || c.kind != ControlKind::kDrawing) continue;
    *width = static_cast<int32_t>(std::lround(c.width * kDrawingPixelsPerUnit));
    *height = static_cast<int32_t>(std::lround(c.height * kDrawingPixelsPerUnit));
    return true;
  }
  return false;
}

void DialogDraw(DialogHandle dialog, int32_t control, std::vector<DrawStep> picture) {
  Void([&](DialogServices& s) { s.Draw(dialog, control, std::move(picture)); });
}

std::vector<FileFilter> ParseFileFilters(std::string_view text) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  for (;;) {
    const size_t percent = text.find('%', start);
    fields.push_back(text.substr(start, percent == std::string_view::npos ? std::string_view::npos
                                                                          : percent - start));
    if (percent == std::string_view::npos) break;
    start = percent + 1;
  }
  // The platform's form ends with empty fields (its double terminator);
  // they carry nothing.
  while (!fields.empty() && fields.back().empty()) fields.pop_back();
  std::vector<FileFilter> filters;
  for (size_t i = 0; i + 1 < fields.size(); i += 2)
    filters.push_back({std::string(fields[i]), std::string(fields[i + 1])});
  return filters;
}

bool DialogChooseFile(DialogHandle dialog, std::string_view title, std::string_view filters,
                      std::string* path) {
  FileDialogRequest request;
  request.title = std::string(title);
  request.filters = ParseFileFilters(filters);
  std::string chosen;
  // A host that cannot show the dialog (or fails while it is open) leaves
  // the module where a cancelled choice leaves it.
  if (!Call<bool>(false, [&](DialogServices& s) { return s.ChooseFile(dialog, request, &chosen); }))
    return false;
  *path = std::move(chosen);
  return true;
}

}  // namespace kwt
