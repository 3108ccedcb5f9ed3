// The Windows event log: a query of one channel, read newest first, each
// entry rendered as its event XML (EvtQuery, EvtNext, EvtRender).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quellora {

class EventLog {
public:
    virtual ~EventLog() = default;

    // Runs the structured XML `query` over `channel` in reverse direction
    // (newest entry first) and renders up to `maxEntries` entries as event
    // XML. Answers 0, or the Windows error of the query or of the first read
    // (ERROR_NO_MORE_ITEMS when nothing matched); an entry that cannot be
    // rendered ends the list with the entries read so far.
    virtual uint32_t QueryNewest(std::u16string_view channel, std::u16string_view query, uint32_t maxEntries,
                                 std::vector<std::u16string>& entries) = 0;
};

}  // namespace quellora
