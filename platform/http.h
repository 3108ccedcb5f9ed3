// Reading a web resource over HTTP(S) (WinINet).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quellora {

class Http {
public:
    virtual ~Http() = default;

    // GET `url` with the system's proxy settings, without writing the answer
    // to the cache, and reads the whole body (at most `maxBytes`). False on
    // any failure: no connection, an HTTP status other than 200, a body larger
    // than `maxBytes`.
    virtual bool Get(std::u16string_view url, std::u16string_view userAgent, uint64_t maxBytes,
                     std::string& body) = 0;
};

}  // namespace quellora
