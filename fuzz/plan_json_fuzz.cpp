// Feeds any bytes to the plan settings JSON reader. It must never crash, hang
// or misbehave; a document it accepts must write back to a text it accepts
// again, and writing that again must give the same text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "model/plan_json.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace quellora;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    PlanSettings settings;
    settings.planName = u"untouched";
    if (!FromJson(text, settings)) {
        if (settings.planName != u"untouched") std::abort();  // a refused document changes nothing
        return 0;
    }
    const std::string written = ToJson(settings);
    PlanSettings again;
    if (!FromJson(written, again)) std::abort();
    if (ToJson(again) != written) std::abort();
    return 0;
}
