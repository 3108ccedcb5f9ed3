// Authenticode verification (WinVerifyTrust) and the signing certificate of
// a verified file.
#include "platform/win32/wide.h"
//
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <vector>

#include "platform/text.h"
#include "platform/win32/win32_platform.h"

namespace quellora::win32 {

namespace {

// The signer of a verified file from the state WinVerifyTrust kept.
void ReadSigner(HANDLE state, SignerInfo& signer) {
    CRYPT_PROVIDER_DATA* data = WTHelperProvDataFromStateData(state);
    if (!data) return;
    CRYPT_PROVIDER_SGNR* sgnr = WTHelperGetProvSignerFromChain(data, 0, FALSE, 0);
    if (!sgnr || sgnr->csCertChain == 0 || !sgnr->pasCertChain || !sgnr->pasCertChain[0].pCert) return;
    PCCERT_CONTEXT cert = sgnr->pasCertChain[0].pCert;
    wchar_t name[512] = {};
    if (CertGetNameStringW(cert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name, 512) > 1) signer.name = FromWide(name);
    // The serial number is stored least significant byte first.
    const CRYPT_INTEGER_BLOB& serial = cert->pCertInfo->SerialNumber;
    std::u16string hex;
    for (DWORD i = serial.cbData; i > 0; --i) hex += Format(u"%02X", static_cast<unsigned>(serial.pbData[i - 1]));
    signer.serialNumber = hex;
}

}  // namespace

uint32_t Win32Signatures::Verify(std::u16string_view path, bool checkRevocation, SignerInfo& signer) {
    signer = SignerInfo{};
    const std::wstring file = Wide(path);
    WINTRUST_FILE_INFO fileInfo{};
    fileInfo.cbStruct = sizeof fileInfo;
    fileInfo.pcwszFilePath = file.c_str();

    WINTRUST_DATA trust{};
    trust.cbStruct = sizeof trust;
    trust.dwUIChoice = WTD_UI_NONE;
    trust.fdwRevocationChecks = checkRevocation ? WTD_REVOKE_WHOLECHAIN : WTD_REVOKE_NONE;
    trust.dwUnionChoice = WTD_CHOICE_FILE;
    trust.pFile = &fileInfo;
    trust.dwStateAction = WTD_STATEACTION_VERIFY;
    trust.dwProvFlags = checkRevocation ? WTD_REVOCATION_CHECK_CHAIN : WTD_REVOCATION_CHECK_NONE;

    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const LONG result = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &trust);
    if (result == ERROR_SUCCESS) ReadSigner(trust.hWVTStateData, signer);
    trust.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &trust);
    return static_cast<uint32_t>(result);
}

std::u16string Win32Signatures::ErrorText(uint32_t code) {
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::u16string out = length && text ? FromWide(text, length) : std::u16string();
    if (text) LocalFree(text);
    return TrimWhite(out);
}

}  // namespace quellora::win32
