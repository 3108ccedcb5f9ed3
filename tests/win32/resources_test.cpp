// Resource modules, message boxes aside, and the executable's own resources
// (icon, version block, manifest).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "platform/files.h"
#include "platform/text.h"
#include "platform/win32/win32_platform.h"
#include "tests/win32/support.h"

namespace quellora {
namespace {

constexpr std::u16string_view kTestModule = u"quellora_test_rsrc.dll";

TEST(Win32ResourceModules, AResourceOnlyLibraryLoadsByItsPathAsData) {
    win32::Win32ResourceModules modules;
    std::u16string path = JoinPath(FolderPart(wintest::SelfPath()), kTestModule);
    ModuleHandle module = modules.LoadByPath(path);
    ASSERT_NE(module, 0u);
    // Loaded as an image resource: not a module of the process's own.
    std::wstring name = win32::Wide(kTestModule);
    EXPECT_EQ(GetModuleHandleW(name.c_str()), nullptr);

    EXPECT_EQ(modules.LoadString(module, 100, 1023), u"Hello");
    EXPECT_EQ(modules.LoadString(module, 101, 1023), u"Gr\u00fc\u00dfe, \u65e5\u672c\u8a9e \u2713 %s");
    EXPECT_EQ(modules.LoadString(module, 4095, 1023), u"Last of a block");
    // The buffer keeps room for the terminating NUL.
    EXPECT_EQ(modules.LoadString(module, 102, 11), u"0123456789");
    EXPECT_EQ(modules.LoadString(module, 102, 1), u"");
    EXPECT_EQ(modules.LoadString(module, 103, 1023), u"");
    EXPECT_EQ(modules.LoadString(0, 100, 1023), u"");
    modules.Unload(module);
}

TEST(Win32ResourceModules, AMissingModuleDoesNotLoad) {
    win32::Win32ResourceModules modules;
    EXPECT_EQ(modules.LoadByPath(u"C:\\no\\such\\folder\\tw_rsrc_english.dll"), 0u);
    // A bare name is no path: nothing is looked for along the search path.
    EXPECT_EQ(modules.LoadByPath(kTestModule), 0u);
}

TEST(Win32ResourceModules, TheProgramsOwnStringsAreFound) {
    win32::Win32ResourceModules modules;
    std::wstring self = win32::Wide(wintest::SelfName());
    ModuleHandle module = reinterpret_cast<ModuleHandle>(GetModuleHandleW(self.c_str()));
    ASSERT_NE(module, 0u);
    EXPECT_EQ(modules.LoadString(module, 100, 1023), u"Hello");
}

// The version block and manifest of a module loaded as data.
class ExecutableResources {
public:
    explicit ExecutableResources(const std::u16string& path) : path_(path) {
        std::wstring p = win32::Wide(path);
        module_ = LoadLibraryExW(p.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    }
    ~ExecutableResources() {
        if (module_) FreeLibrary(module_);
    }
    bool loaded() const { return module_ != nullptr; }

    std::string Manifest() const {
        HRSRC found = FindResourceW(module_, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
        if (!found) return {};
        HGLOBAL data = LoadResource(module_, found);
        return std::string(static_cast<const char*>(LockResource(data)), SizeofResource(module_, found));
    }

    // Sizes of the images of an icon group (GRPICONDIRENTRY: width 0 means 256).
    std::vector<int> IconSizes(int id) const {
        HRSRC found = FindResourceW(module_, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(14));
        if (!found) return {};
        const auto* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(module_, found)));
        uint16_t count = 0;
        std::memcpy(&count, bytes + 4, 2);
        std::vector<int> sizes;
        for (int i = 0; i < count; ++i) {
            uint8_t width = bytes[6 + 14 * i];
            sizes.push_back(width == 0 ? 256 : width);
        }
        std::sort(sizes.begin(), sizes.end());
        return sizes;
    }

    bool Version(VS_FIXEDFILEINFO& fixed, std::vector<std::pair<std::u16string, std::u16string>>& strings) const {
        std::wstring p = win32::Wide(path_);
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeW(p.c_str(), &ignored);
        if (size == 0) return false;
        std::vector<uint8_t> block(size);
        if (!GetFileVersionInfoW(p.c_str(), 0, size, block.data())) return false;
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(block.data(), L"\\", &value, &length) || length < sizeof fixed) return false;
        std::memcpy(&fixed, value, sizeof fixed);
        for (const wchar_t* name : {L"CompanyName", L"ProductName", L"FileDescription", L"OriginalFilename",
                                    L"FileVersion", L"ProductVersion", L"LegalCopyright"}) {
            std::wstring query = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
            std::u16string text;
            if (VerQueryValueW(block.data(), query.c_str(), &value, &length) && length > 0)
                text = win32::FromWide(static_cast<const wchar_t*>(value));
            strings.emplace_back(win32::FromWide(name), text);
        }
        return true;
    }

private:
    std::u16string path_;
    HMODULE module_ = nullptr;
};

void CheckExecutableResources(const std::u16string& path) {
    ExecutableResources resources(path);
    ASSERT_TRUE(resources.loaded()) << Utf16ToUtf8(path);

    EXPECT_EQ(resources.IconSizes(140), (std::vector<int>{16, 24, 32, 48, 256}));

    std::string manifest = resources.Manifest();
    for (const char* part : {"level=\"requireAdministrator\"", "uiAccess=\"false\"", ">PerMonitorV2",
                             "<dpiAware", "name=\"Microsoft.Windows.Common-Controls\"", "version=\"6.0.0.0\"",
                             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) {
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
    }

    VS_FIXEDFILEINFO fixed{};
    std::vector<std::pair<std::u16string, std::u16string>> strings;
    ASSERT_TRUE(resources.Version(fixed, strings));
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00060000u);
    EXPECT_EQ(fixed.dwFileVersionLS, 0x00020012u);
    EXPECT_EQ(fixed.dwProductVersionMS, 0x00060000u);
    EXPECT_EQ(fixed.dwProductVersionLS, 0x00020012u);
    std::vector<std::pair<std::u16string, std::u16string>> expected = {
        {u"CompanyName", u"Ostrima"},          {u"ProductName", u"Quellora"},
        {u"FileDescription", u"Quellora"},     {u"OriginalFilename", u"quellora.exe"},
        {u"FileVersion", u"6.0.2.18"},         {u"ProductVersion", u"6.0.2.18"},
    };
    for (const auto& [name, text] : expected) {
        auto it = std::find_if(strings.begin(), strings.end(), [&](auto& s) { return s.first == name; });
        ASSERT_NE(it, strings.end());
        EXPECT_EQ(it->second, text) << Utf16ToUtf8(name);
    }
    auto copyright = std::find_if(strings.begin(), strings.end(), [](auto& s) { return s.first == u"LegalCopyright"; });
    EXPECT_NE(copyright->second.find(u"\u00a9"), std::u16string::npos);
}

TEST(Win32ExecutableResources, TheResourceScriptHoldsIconVersionAndManifest) {
    // resources/quellora.rc built into a resource-only library beside the tests.
    CheckExecutableResources(JoinPath(FolderPart(wintest::SelfPath()), u"quellora_exe_resources.dll"));
}

TEST(Win32ExecutableResources, QuelloraExeCarriesThem) {
    // The build's quellora.exe, when the whole build has run.
    std::u16string exe = Utf8ToUtf16(QUELLORA_WINE_EXE_PATH);
    if (!FileExists(exe)) GTEST_SKIP() << "quellora.exe is not built: " << QUELLORA_WINE_EXE_PATH;
    CheckExecutableResources(exe);
}

}  // namespace
}  // namespace quellora
