#include "platform/sim/sim_update_endpoint.h"

#include <algorithm>

#include "platform/command_line.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/sim/reg_util.h"
#include "platform/sim/sim_machine.h"
#include "platform/text.h"

namespace quellora::sim {

namespace {

constexpr Hive kLm = Hive::LocalMachine;
constexpr std::u16string_view kEndpointKey = u"UpdateEndpoint";
constexpr std::u16string_view kRequestsKey = u"Requests";
constexpr std::string_view kSignatureMark = "\r\nSIMULATED-AUTHENTICODE\t";
constexpr size_t kInstallerSize = 40000;

std::u16string EndpointKey() { return JoinKey(paths::kFacts, kEndpointKey); }
std::u16string RequestsKey() { return JoinKey(paths::kFacts, kEndpointKey, kRequestsKey); }

const char16_t* KindName(InstallerKind kind) {
    switch (kind) {
        case InstallerKind::Signed: return u"signed";
        case InstallerKind::Unsigned: return u"unsigned";
        case InstallerKind::Small: return u"small";
        case InstallerKind::None: break;
    }
    return u"none";
}

}  // namespace

UpdateEndpoint ReadUpdateEndpoint(SimMachine& machine) {
    Registry& r = machine.registry();
    const std::u16string key = EndpointKey();
    UpdateEndpoint e;
    e.reachable = DwordOr(r, kLm, key, u"Reachable", 1) != 0;
    e.hasVersion = ReadText(r, kLm, key, u"Version", e.versionBody);
    const std::u16string kind = TextOr(r, kLm, key, u"Installer", u"none");
    for (InstallerKind k : {InstallerKind::Signed, InstallerKind::Unsigned, InstallerKind::Small}) {
        if (kind == KindName(k)) e.installer = k;
    }
    e.signer = TextOr(r, kLm, key, u"Signer", e.signer);
    e.serial = TextOr(r, kLm, key, u"Serial", e.serial);
    e.revocationError = DwordOr(r, kLm, key, u"RevocationError", 0);
    return e;
}

void WriteUpdateEndpoint(SimMachine& machine, const UpdateEndpoint& e) {
    Registry& r = machine.registry();
    const std::u16string key = EndpointKey();
    WriteDword(r, kLm, key, u"Reachable", e.reachable ? 1 : 0);
    if (e.hasVersion) {
        WriteText(r, kLm, key, u"Version", e.versionBody);
    } else {
        r.DeleteValue(kLm, key, u"Version");
    }
    WriteText(r, kLm, key, u"Installer", KindName(e.installer));
    WriteText(r, kLm, key, u"Signer", e.signer);
    WriteText(r, kLm, key, u"Serial", e.serial);
    WriteDword(r, kLm, key, u"RevocationError", e.revocationError);
}

std::vector<UpdateRequest> UpdateRequests(SimMachine& machine) {
    std::vector<RegEntry> values;
    std::vector<UpdateRequest> requests;
    if (machine.registry().EnumValues(kLm, RequestsKey(), values) != err::kSuccess) return requests;
    std::sort(values.begin(), values.end(), [](const RegEntry& a, const RegEntry& b) { return a.name < b.name; });
    for (const RegEntry& v : values) {
        const std::u16string text = Utf16FromBytes(v.value.data.data(), v.value.data.size());
        const size_t tab = text.find(u'\t');
        requests.push_back({text.substr(0, tab), tab == std::u16string::npos ? u"" : text.substr(tab + 1)});
    }
    return requests;
}

void ClearUpdateRequests(SimMachine& machine) { machine.registry().DeleteTree(kLm, RequestsKey()); }

std::string SimulatedInstaller(const UpdateEndpoint& e) {
    if (e.installer == InstallerKind::None) return {};
    std::string bytes(kSimulatedInstallerMark);
    bytes += "\r\nA stand-in for the maker's installer on the simulated machine.\r\n";
    const size_t size = e.installer == InstallerKind::Small ? 16384 : kInstallerSize;
    std::string trailer;
    if (e.installer == InstallerKind::Signed) {
        trailer = std::string(kSignatureMark) + Utf16ToUtf8(e.signer) + "\t" + Utf16ToUtf8(e.serial) + "\r\n";
    }
    if (bytes.size() + trailer.size() < size) bytes.append(size - bytes.size() - trailer.size(), '.');
    return bytes + trailer;
}

bool StartSimulatedInstaller(SimMachine& machine, std::u16string_view commandLine) {
    const std::vector<std::u16string> args = SplitCommandLine(commandLine);
    if (args.empty()) return false;
    std::string bytes;
    if (!ReadWholeFile(args[0], 1 << 20, bytes) || bytes.rfind(kSimulatedInstallerMark, 0) != 0) return false;
    machine.SetFactDword(u"InstallerStarts", InstallerStarts(machine) + 1);
    machine.SetFactText(u"LastInstallerCommandLine", commandLine);
    return true;
}

uint32_t InstallerStarts(SimMachine& machine) { return machine.FactDword(u"InstallerStarts", 0); }

std::u16string LastInstallerCommandLine(SimMachine& machine) {
    return machine.FactText(u"LastInstallerCommandLine", u"");
}

bool SimHttp::Get(std::u16string_view url, std::u16string_view userAgent, uint64_t maxBytes, std::string& body) {
    body.clear();
    Registry& r = machine_.registry();
    const uint32_t next = DwordOr(r, kLm, EndpointKey(), u"NextRequest", 0);
    WriteText(r, kLm, RequestsKey(), Format(u"%08u", next), std::u16string(url) + u"\t" + std::u16string(userAgent));
    WriteDword(r, kLm, EndpointKey(), u"NextRequest", next + 1);

    const UpdateEndpoint e = ReadUpdateEndpoint(machine_);
    if (!e.reachable) return false;
    const std::u16string_view path = url.substr(0, url.find(u'?'));
    std::string answer;
    if (path.find(u"/versioninfo/") != std::u16string_view::npos) {
        if (!e.hasVersion) return false;
        answer = Utf16ToUtf8(e.versionBody);
    } else if (EndsWithIgnoreAsciiCase(path, u"quellorasetup64.exe")) {
        answer = SimulatedInstaller(e);
        if (answer.empty()) return false;
    } else {
        return false;
    }
    if (answer.size() > maxBytes) return false;
    body = std::move(answer);
    return true;
}

uint32_t SimSignatures::Verify(std::u16string_view path, bool checkRevocation, SignerInfo& signer) {
    std::string bytes;
    if (!FileExists(path)) return err::kFileNotFound;
    if (!ReadWholeFile(path, 256u << 20, bytes)) return err::kAccessDenied;
    const size_t mark = bytes.rfind(kSignatureMark);
    if (bytes.rfind(kSimulatedInstallerMark, 0) != 0 || mark == std::string::npos) return trust::kNoSignature;
    const UpdateEndpoint e = ReadUpdateEndpoint(machine_);
    if (checkRevocation && e.revocationError != 0) return e.revocationError;
    std::string fields = bytes.substr(mark + kSignatureMark.size());
    while (!fields.empty() && (fields.back() == '\n' || fields.back() == '\r')) fields.pop_back();
    const size_t tab = fields.find('\t');
    signer.name = Utf8ToUtf16(fields.substr(0, tab));
    signer.serialNumber = tab == std::string::npos ? u"" : Utf8ToUtf16(fields.substr(tab + 1));
    return err::kSuccess;
}

std::u16string SimSignatures::ErrorText(uint32_t code) {
    struct Row {
        uint32_t code;
        const char16_t* text;
    };
    static constexpr Row kTexts[] = {
        {err::kFileNotFound, u"The system cannot find the file specified."},
        {err::kAccessDenied, u"Access is denied."},
        {trust::kNoSignature, u"No signature was present in the subject."},
        {trust::kBadDigest, u"The digital signature of the object did not verify."},
        {trust::kRevocationFailure,
         u"The revocation process could not continue - the certificate(s) could not be checked."},
        {trust::kRevocationOffline,
         u"The revocation function was unable to check revocation because the revocation server was offline."},
        {trust::kUntrustedRoot,
         u"A certificate chain processed, but terminated in a root certificate which is not trusted by the trust "
         u"provider."},
    };
    for (const Row& row : kTexts) {
        if (row.code == code) return row.text;
    }
    return {};
}

}  // namespace quellora::sim
