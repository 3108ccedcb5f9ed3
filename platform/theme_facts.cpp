#include "platform/theme_facts.h"

namespace quellora {

DarkModeSupport DecideDarkModeSupport(const OsVersion& version, const DarkModeExports& exports) {
    DarkModeSupport support;
    if (version.major < 10 || version.build < kFirstDarkModeBuild || !exports.All()) return support;
    support.supported = true;
    support.preferredAppMode = version.build > kLastBooleanDarkModeBuild;
    support.compositionTitleBar = version.build > kLastBooleanDarkModeBuild;
    return support;
}

}  // namespace quellora
