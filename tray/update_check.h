// The update check: asks the maker's version service which version is
// current, and on request downloads the installer, checks that the maker
// signed it and runs it silently.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/signatures.h"
#include "platform/thread_event.h"
#include "platform/window_handle.h"

namespace quellora {

// The maker's services.
inline constexpr std::u16string_view kVersionServiceBase = u"https://versions.ostrima.com/";
inline constexpr std::u16string_view kDownloadServiceBase = u"https://downloads.ostrima.com/";
inline constexpr std::u16string_view kDownloadPage = u"https://www.ostrima.com/quellora/download/";
// The serial number of the maker's code-signing certificate (hexadecimal, no leading zeros).
inline constexpr std::u16string_view kMakerCertificateSerial = u"5C7A0E93D1B24F68A03D";
// The error of an installer whose signer is not the maker.
inline constexpr uint32_t kErrorNotMakerSigned = 0xA0B50001;
// The installer is at least this large; a smaller download is not an installer.
inline constexpr size_t kMinimumInstallerBytes = 16385;

// Registry values (HKLM and HKCU \Software\Quellora).
namespace updatevalues {
inline constexpr std::u16string_view kChecks = u"UpdateChecks";                    // HKLM, on when missing
inline constexpr std::u16string_view kInterval = u"UpdateCheckIntervalSeconds";    // HKLM, 86400 when missing
inline constexpr std::u16string_view kBeta = u"BetaUpdates";                       // HKCU or HKLM
inline constexpr std::u16string_view kFinished = u"UpdateFinished";                // HKCU
}  // namespace updatevalues
inline constexpr uint32_t kDefaultUpdateIntervalSeconds = 86400;

// Four numbers, "%u.%u.%u.%u" with missing parts 0.
struct ProgramVersion {
    uint32_t parts[4] = {};
    auto operator<=>(const ProgramVersion&) const = default;
};
// Reads up to four numbers from a text of at most 127 characters (a longer
// text reads as far as its first 127); false when it does not start with a number.
bool ParseProgramVersion(std::u16string_view text, ProgramVersion& version);
// The latest version is newer: its numbers compared in order, the first highest.
bool IsNewerVersion(std::u16string_view latest, std::u16string_view running);

// The comparison the tray repeats each second while the same pair stays.
class VersionComparison {
public:
    bool IsNewer(std::u16string_view latest, std::u16string_view running);

private:
    bool known_ = false;
    std::u16string latest_;
    std::u16string running_;
    bool newer_ = false;
};

bool UpdateChecksEnabled();
// BetaUpdates: on when either the user's or the machine's value is.
bool GetBetaUpdates();
// Writes both values.
void SetBetaUpdates(bool beta);

// The version service's address for this program.
std::u16string UpdateCheckUrl(bool beta, bool manual);
// "Quellora/6.0.2.18 (Windows, 10.0.22631)".
std::u16string UpdateUserAgent();
// The version in an answer's body (text in the ANSI code page): trimmed, 3
// to 8 characters with a ".". False for anything else.
bool ParseVersionBody(std::string_view body, std::u16string& version);

// Asks the version service; false (and an empty text) on any failure.
bool CheckForUpdate(bool manual, std::u16string& latest);
// The latest version text of the last successful check (empty until then).
std::u16string LatestVersionText();
void SetLatestVersionText(std::u16string_view version);
// The automatic check (on a thread of its own): when checks are on, checks
// and keeps the answer; signals `ready` in every case.
void AutomaticUpdateCheck(ThreadEvent& ready);
// The check from the main window's menu: asks to install a newer version, or
// says that this one is the latest; says nothing when the check failed.
// True when the installer was started (the caller then ends the program).
bool ManualUpdateCheck(WindowHandle owner);

// The signer is the maker: its name begins with "Ostrima" (any case) followed
// by the end or a character that is not a letter or digit, or its serial
// number without leading zeros is the maker's certificate's.
bool IsMakerSigner(const SignerInfo& signer);
// The installer's signature: 0 when the maker signed it, else the error. A
// revocation check that cannot be completed is left out on a second try.
uint32_t VerifyInstaller(std::u16string_view path);
// Where the installer is put: "<temp>\ostrima\quellorasetup64.exe".
std::u16string InstallerPath();
// Downloads, checks and starts the installer silently; true when it started
// (the caller then ends the program). A signature that does not check out is
// reported (the user may open the download page instead).
bool InstallUpdate(WindowHandle owner = nullptr);

}  // namespace quellora
