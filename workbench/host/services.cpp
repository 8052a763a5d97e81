// The host services: what they act on.  The services themselves are in
// the files of their families (services.h).
#include "workbench/host/services.h"

namespace kwt {

Services::Services(Session& session, ValueReader& values, Interaction& interaction,
                   Progress& progress, PrefsStore& prefs, Limits limits)
    : session_(session),
      values_(values),
      interaction_(interaction),
      progress_(progress),
      prefs_(prefs),
      limits_(limits) {}

}  // namespace kwt
