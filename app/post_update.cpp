// /update: after an update, the core-parking setting the user made visible in
// Windows' Power Options is shown again (an update may have hidden it).
#include "app/switches.h"
#include "platform/guid.h"
#include "power/main_topology.h"
#include "power/power_scheme_access.h"
#include "power/setting_metadata.h"

namespace quellora {

int PostUpdateFixup() {
    if (IsProcessorSettingHidden(guids::kCoreParkingMin0)) return 0;
    SetSettingHidden(false, 0);
    if (MainTopology().ShowEfficiencyClassSelection()) SetSettingHidden(false, 1);
    return 0;
}

}  // namespace quellora
