// Authenticode signatures of files (WinVerifyTrust), and the texts Windows
// gives for its error codes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quellora {

// HRESULTs of the trust verification.
namespace trust {
inline constexpr uint32_t kNoSignature = 0x800B0100;        // TRUST_E_NOSIGNATURE
inline constexpr uint32_t kBadDigest = 0x80096010;          // TRUST_E_BAD_DIGEST
inline constexpr uint32_t kRevocationFailure = 0x800B010E;  // CERT_E_REVOCATION_FAILURE
inline constexpr uint32_t kRevocationOffline = 0x80092013;  // CRYPT_E_REVOCATION_OFFLINE
inline constexpr uint32_t kUntrustedRoot = 0x800B0109;      // CERT_E_UNTRUSTEDROOT
}  // namespace trust

struct SignerInfo {
    std::u16string name;          // the signing certificate's simple display name
    std::u16string serialNumber;  // its serial number in hexadecimal, most significant byte first
};

class Signatures {
public:
    virtual ~Signatures() = default;

    // Verifies the file's embedded signature, checking the whole chain for
    // revocation or not at all. Answers 0 and the signer, or the HRESULT.
    virtual uint32_t Verify(std::u16string_view path, bool checkRevocation, SignerInfo& signer) = 0;
    // The system's text for an error code (FormatMessage), without a trailing
    // line break; empty when the system has none.
    virtual std::u16string ErrorText(uint32_t code) = 0;
};

}  // namespace quellora
