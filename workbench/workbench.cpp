// The workbench: its rooms made and wired together, and the module loaded.
#include "workbench/workbench.h"

#include "workbench/syntax/command_line.h"

namespace kwt {

Workbench::Workbench() : Workbench(Options{}) {}

Workbench::Workbench(Options options)
    : prefs_(std::move(options.prefsPath)),
      progress_(options.showProgress),
      values_(*this),
      services_(*this, values_, interaction_, progress_, prefs_,
                {options.maxWaveBytes, options.memoryPrefs}),
      module_(progress_),
      interpreter_(*this, services_, values_, module_),
      dialogs_(*this, interaction_) {
  services_.RunLinesWith(interpreter_);
  module_.Load(services_, dialogs_);
}

Workbench::~Workbench() { module_.Unload(); }

int32_t Workbench::ParseWith(std::string_view text, const std::function<int32_t()>& fn) {
  CommandCursor cursor{std::string(text)};
  return services_.ParseWith(cursor, fn);
}

int32_t Workbench::ChooseMenuItem(int32_t resourceItem) {
  const int32_t result = module_.SendMessage(kMessageMenuItem, {kHostMenuId, resourceItem});
  interpreter_.RunQueuedLines();
  return result;
}

}  // namespace kwt
