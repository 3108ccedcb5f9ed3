// The maker's update endpoints as the simulated machine answers them: the
// version-information service answers the version text it is given, the
// download service an installer that is signed by a given signer, unsigned,
// or too small, and every request is remembered (address and user agent), so
// that a test can see which requests were made and that none was. The
// simulated installer is a file the machine recognises: "running" it is
// recorded, not done. Its signature is a trailer the machine's signature
// check reads.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/http.h"
#include "platform/signatures.h"

namespace quellora::sim {

class SimMachine;

enum class InstallerKind : uint8_t { None, Signed, Unsigned, Small };

struct UpdateEndpoint {
    bool reachable = true;             // false: every request fails as without a network
    bool hasVersion = false;           // false: the version address answers 404
    std::u16string versionBody;        // the version-information answer (UTF-8 on the wire)
    InstallerKind installer = InstallerKind::None;
    std::u16string signer = u"Ostrima GmbH";
    std::u16string serial = u"0A1B2C3D4E5F";
    // How the signature's revocation check ends: 0 completes, else its HRESULT.
    uint32_t revocationError = 0;
};

UpdateEndpoint ReadUpdateEndpoint(SimMachine& machine);
void WriteUpdateEndpoint(SimMachine& machine, const UpdateEndpoint& endpoint);

struct UpdateRequest {
    std::u16string url;
    std::u16string userAgent;
};
std::vector<UpdateRequest> UpdateRequests(SimMachine& machine);
void ClearUpdateRequests(SimMachine& machine);

// The first bytes of a simulated installer, and how often one was started.
inline constexpr std::string_view kSimulatedInstallerMark = "SIMULATED-INSTALLER";
// The bytes of the installer the endpoint serves.
std::string SimulatedInstaller(const UpdateEndpoint& endpoint);
// When `commandLine` runs a simulated installer: records the start and answers true.
bool StartSimulatedInstaller(SimMachine& machine, std::u16string_view commandLine);
uint32_t InstallerStarts(SimMachine& machine);
std::u16string LastInstallerCommandLine(SimMachine& machine);

class SimHttp : public Http {
public:
    explicit SimHttp(SimMachine& machine) : machine_(machine) {}
    // Addresses with "/versioninfo/" answer the version text, addresses that
    // end in "quellorasetup64.exe" the installer; others answer 404 (false).
    bool Get(std::u16string_view url, std::u16string_view userAgent, uint64_t maxBytes, std::string& body) override;

private:
    SimMachine& machine_;
};

// Signatures on the simulated machine: a simulated installer's trailer names
// its signer; any other file has no signature.
class SimSignatures : public Signatures {
public:
    explicit SimSignatures(SimMachine& machine) : machine_(machine) {}
    uint32_t Verify(std::u16string_view path, bool checkRevocation, SignerInfo& signer) override;
    // Windows' English texts for the errors of the trust verification and the files.
    std::u16string ErrorText(uint32_t code) override;

private:
    SimMachine& machine_;
};

}  // namespace quellora::sim
