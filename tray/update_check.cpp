#include "tray/update_check.h"

#include <algorithm>
#include <mutex>

#include "platform/files.h"
#include "platform/language.h"
#include "platform/platform.h"
#include "platform/registry_helpers.h"
#include "platform/startup_state.h"
#include "platform/text.h"
#include "tray/companion.h"
#include "tray/tray_text_ids.h"
#include "ui/message_box.h"

namespace quellora {

namespace {

constexpr size_t kMaxVersionText = 127;
constexpr uint64_t kMaxVersionBody = 64 * 1024;
constexpr uint64_t kMaxInstallerBytes = 512ull << 20;
constexpr std::u16string_view kCurrentVersionKey = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

std::mutex& LatestMutex() {
    static std::mutex mutex;
    return mutex;
}

std::u16string& Latest() {
    static std::u16string latest;
    return latest;
}

// A query parameter's value: letters, digits and "-._~" as they are, every
// other byte of its UTF-8 form as %XX.
std::u16string EscapeQueryValue(std::u16string_view value) {
    std::u16string out;
    for (unsigned char byte : Utf16ToUtf8(value)) {
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
                           byte == '-' || byte == '.' || byte == '_' || byte == '~';
        if (plain) out += static_cast<char16_t>(byte);
        else out += Format(u"%%%02X", static_cast<unsigned>(byte));
    }
    return out;
}

bool IsServerEdition() {
    std::u16string type;
    return ReadString(Hive::LocalMachine, kCurrentVersionKey, u"InstallationType", type) &&
           StartsWith(type, u"Server");
}

std::u16string ErrorDescription(uint32_t code) {
    std::u16string text = Sys().signatures ? Sys().signatures->ErrorText(code) : std::u16string();
    return text.empty() ? Format(u"0x%08X", code) : text;
}

bool IsAsciiAlphanumeric(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

}  // namespace

bool ParseProgramVersion(std::u16string_view text, ProgramVersion& version) {
    version = ProgramVersion{};
    text = text.substr(0, std::min(text.size(), kMaxVersionText));
    size_t i = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (i >= text.size() || text[i] != u'.') break;
            ++i;
        }
        // "%u": leading white space, then digits (an unsigned number wraps as sscanf's does).
        while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
        const size_t start = i;
        uint32_t value = 0;
        while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') value = value * 10 + (text[i++] - u'0');
        if (i == start) return part > 0;
        version.parts[part] = value;
    }
    return true;
}

bool IsNewerVersion(std::u16string_view latest, std::u16string_view running) {
    ProgramVersion a, b;
    ParseProgramVersion(latest, a);
    ParseProgramVersion(running, b);
    return a > b;
}

bool VersionComparison::IsNewer(std::u16string_view latest, std::u16string_view running) {
    latest = latest.substr(0, std::min(latest.size(), kMaxVersionText));
    running = running.substr(0, std::min(running.size(), kMaxVersionText));
    if (!known_ || latest != latest_ || running != running_) {
        latest_ = latest;
        running_ = running;
        newer_ = IsNewerVersion(latest, running);
        known_ = true;
    }
    return newer_;
}

bool UpdateChecksEnabled() { return ReadDwordOr(Hive::LocalMachine, kAppKey, updatevalues::kChecks, 1) != 0; }

bool GetBetaUpdates() {
    return ReadDwordOr(Hive::CurrentUser, kAppKey, updatevalues::kBeta, 0) != 0 ||
           ReadDwordOr(Hive::LocalMachine, kAppKey, updatevalues::kBeta, 0) != 0;
}

void SetBetaUpdates(bool beta) {
    WriteDword(Hive::CurrentUser, kAppKey, updatevalues::kBeta, beta ? 1 : 0);
    WriteDword(Hive::LocalMachine, kAppKey, updatevalues::kBeta, beta ? 1 : 0);
}

std::u16string UpdateCheckUrl(bool beta, bool manual) {
    ProgramVersion running;
    ParseProgramVersion(kProgramVersion, running);
    const uint32_t internal = running.parts[0] * 10000 + running.parts[1] * 100;
    std::u16string url(kVersionServiceBase);
    url += beta ? u"versioninfo/quellora/beta/" : u"versioninfo/quellora/";
    url += u"?ProductName=Quellora&Platform=x64&Vendor=" + EscapeQueryValue(LoadText(ids::kVendor));
    url += u"&internalversion=" + ToDecimal(internal);
    url += beta ? u"&ReturnBetas=1" : u"&ReturnBetas=0";
    if (manual) url += u"&nothrottle&manual=1";
    return url;
}

std::u16string UpdateUserAgent() {
    OsVersion os;
    std::u16string windows;
    if (Sys().system && Sys().system->GetOsVersion(os)) windows = Format(u"%u.%u.%u", os.major, os.minor, os.build);
    return Format(u"%s/%s (%s, %s)", u"Quellora", kProgramVersion, IsServerEdition() ? u"Windows Server" : u"Windows",
                  windows);
}

bool ParseVersionBody(std::string_view body, std::u16string& version) {
    version.clear();
    const std::u16string text = TrimWhite(AnsiToUtf16(body));
    if (text.size() < 3 || text.size() > 8 || text.find(u'.') == std::u16string::npos) return false;
    version = text;
    return true;
}

bool CheckForUpdate(bool manual, std::u16string& latest) {
    latest.clear();
    if (!Sys().http) return false;
    std::string body;
    if (!Sys().http->Get(UpdateCheckUrl(GetBetaUpdates(), manual), UpdateUserAgent(), kMaxVersionBody, body)) {
        return false;
    }
    return ParseVersionBody(body, latest);
}

std::u16string LatestVersionText() {
    std::lock_guard lock(LatestMutex());
    return Latest();
}

void SetLatestVersionText(std::u16string_view version) {
    std::lock_guard lock(LatestMutex());
    Latest() = version;
}

void AutomaticUpdateCheck(ThreadEvent& ready) {
    if (UpdateChecksEnabled()) {
        std::u16string latest;
        if (CheckForUpdate(false, latest)) SetLatestVersionText(latest);
    }
    ready.Set();
}

bool ManualUpdateCheck(WindowHandle owner) {
    std::u16string latest;
    if (!CheckForUpdate(true, latest) || latest.empty()) return false;
    SetLatestVersionText(latest);
    if (IsNewerVersion(latest, kProgramVersion)) {
        const int answer = ShowMessage(owner, Format(LoadText(ids::kUpdateAsk), latest, kProgramVersion),
                                       mb::kYesNo | mb::kIconQuestion);
        if (answer != mb::kIdYes) return false;
        if (InstallUpdate(owner)) return true;
        ShowMessage(owner, LoadText(ids::kUpdateInstallFailed), mb::kOk | mb::kIconError);
        return false;
    }
    ShowMessage(owner, LoadText(ids::kUpdateNotNewer), mb::kOk | mb::kIconInformation);
    return false;
}

bool IsMakerSigner(const SignerInfo& signer) {
    constexpr std::u16string_view kMaker = u"Ostrima";
    const std::u16string_view name = signer.name;
    if (name.size() >= kMaker.size() && EqualsIgnoreAsciiCase(name.substr(0, kMaker.size()), kMaker) &&
        (name.size() == kMaker.size() || !IsAsciiAlphanumeric(name[kMaker.size()]))) {
        return true;
    }
    std::u16string_view serial = signer.serialNumber;
    while (!serial.empty() && serial.front() == u'0') serial.remove_prefix(1);
    return !serial.empty() && EqualsIgnoreAsciiCase(serial, kMakerCertificateSerial);
}

uint32_t VerifyInstaller(std::u16string_view path) {
    Signatures* signatures = Sys().signatures;
    if (!signatures) return trust::kNoSignature;
    SignerInfo signer;
    uint32_t result = signatures->Verify(path, true, signer);
    if (result == trust::kRevocationFailure || result == trust::kRevocationOffline) {
        result = signatures->Verify(path, false, signer);
    }
    if (result == 0 && !IsMakerSigner(signer)) result = kErrorNotMakerSigned;
    return result;
}

std::u16string InstallerPath() {
    const std::u16string temp = Sys().folders ? Sys().folders->TempPath() : std::u16string();
    if (temp.empty()) return {};
    return JoinPath(JoinPath(temp, u"ostrima"), u"quellorasetup64.exe");
}

bool InstallUpdate(WindowHandle owner) {
    const std::u16string path = InstallerPath();
    if (path.empty() || !CreateDirectories(FolderPart(path)) || !Sys().http) return false;
    std::u16string url(kDownloadServiceBase);
    url += GetBetaUpdates() ? u"files/beta/quellorasetup64.exe" : u"files/quellorasetup64.exe";
    std::string installer;
    if (!Sys().http->Get(url, u"ostrima", kMaxInstallerBytes, installer) || installer.size() < kMinimumInstallerBytes) {
        return false;
    }
    if (!WriteFileAtomic(path, installer)) return false;

    if (const uint32_t error = VerifyInstaller(path); error != 0) {
        const int answer = ShowMessage(owner, Format(LoadText(ids::kInstallerNotTrusted), ErrorDescription(error)),
                                       mb::kYesNo | mb::kIconExclamation);
        if (answer == mb::kIdYes && Sys().interaction) Sys().interaction->OpenWithShell(kDownloadPage);
        return false;
    }

    WriteDword(Hive::CurrentUser, kAppKey, updatevalues::kFinished, 1);
    uint32_t error = 0;
    if (!Sys().processes || !Sys().processes->StartDetached(u"\"" + path + u"\" /S", error)) {
        DeleteValueIfPresent(Hive::CurrentUser, kAppKey, updatevalues::kFinished);
        return false;
    }
    return true;
}

}  // namespace quellora
