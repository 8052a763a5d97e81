// The "KWT" menu: item dispatch and the About box.
#include <string_view>

#include "frame/frame.h"
#include "frame/menu_actions.h"
#include "host/dialog.h"
#include "resources/dialogs.h"
#include "resources/resources.h"
#include "support/format.h"

namespace kwt {

int32_t DoMenuItem() {
  const HostRecord* record = HostAttachedRecord();
  const int32_t menuId = record != nullptr && record->items.size() > 0 ? record->items[0] : 0;
  const int32_t hostItem = record != nullptr && record->items.size() > 1 ? record->items[1] : 0;

  // The host translates its own numbers into the resource numbers; a value
  // it cannot translate is used as it stands.
  int32_t menu = HostActualToResourceMenu(menuId);
  if (menu == 0) menu = menuId;
  int32_t item = HostActualToResourceItem(menu, hostItem);
  if (item == 0) item = hostItem;

  std::string_view message;
  if (menu != resources::kMenuId) {
    message = "KWT: unknown menu selected";
  } else if (!IsMenuActionItem(item)) {
    message = "KWT: unknown menu item selected";
  } else {
    const MenuHandler action = MenuActionFor(item);
    if (action == nullptr) return kHostErrNotInThisBuild;
    return action(item);
  }
  HostBeep();
  HostNotice(Format("%.*s (MenuItem = %d)\r", static_cast<int>(message.size()),
                    message.data(), item));
  return 0;
}

namespace {

// The About box only waits for OK (or Enter), which closes it.
class AboutHandler final : public DialogHandler {
 public:
  void OnInit(DialogHandle) override {}
  void OnEvent(DialogHandle dialog, const DialogEvent& event) override {
    if (event.kind == DialogEventKind::kPressed && event.control == kOkButton)
      DialogEnd(dialog, kOkButton);
  }

 private:
  static constexpr int32_t kOkButton = 1;
};

}  // namespace

int32_t ShowAbout() {
  // Showing it cannot fail in a way worth a message: without a dialog
  // service there is simply no box.
  if (const DialogDesc* about = resources::FindDialog(resources::kAboutDialogId)) {
    AboutHandler handler;
    int32_t result = 0;
    DialogRun(*about, handler, &result);
  }
  return 0;
}

}  // namespace kwt
