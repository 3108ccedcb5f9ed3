#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/pe_imports.h"
#include "platform/sim/sim_theme.h"
#include "platform/startup_state.h"
#include "platform/theme_facts.h"
#include "tests/support/sim_env.h"
#include "ui/theme.h"

namespace quellora {
namespace {

TEST(DarkModeSupport, OnlyWithEveryFunctionOnABuildThatHasThem) {
    const DarkModeExports all{true, true, true, true, true, true, true};
    DarkModeExports wine;  // Wine: 49, 104 and 106 are other functions, the rest is missing
    wine.openNcThemeData = wine.refreshColorPolicy = wine.refreshHighContrast = true;
    DarkModeExports no106 = all;
    no106.refreshHighContrast = false;
    DarkModeExports no49 = all;
    no49.openNcThemeData = false;
    struct Case {
        const char* what;
        OsVersion version;
        DarkModeExports exports;
        bool supported;
        bool preferredForm;
    };
    const Case cases[] = {
        {"Wine on a Windows 10 prefix", {10, 0, 19045}, wine, false, false},
        {"one function missing (106)", {10, 0, 22631}, no106, false, false},
        {"one function missing (49)", {10, 0, 22631}, no49, false, false},
        {"build 17762", {10, 0, 17762}, all, false, false},
        {"Windows 8.1", {6, 3, 30000}, all, false, false},
        {"build 17763: the boolean form", {10, 0, 17763}, all, true, false},
        {"build 18361: the boolean form", {10, 0, 18361}, all, true, false},
        {"build 18362: the preferred-mode form", {10, 0, 18362}, all, true, true},
        {"Windows 11", {10, 0, 22631}, all, true, true},
    };
    for (const Case& c : cases) {
        const DarkModeSupport s = DecideDarkModeSupport(c.version, c.exports);
        EXPECT_EQ(s.supported, c.supported) << c.what;
        EXPECT_EQ(s.preferredAppMode, c.preferredForm) << c.what;
        EXPECT_EQ(s.compositionTitleBar, c.preferredForm) << c.what;
    }
    EXPECT_FALSE(DarkThemeInForce(true, true, true));
    EXPECT_FALSE(DarkThemeInForce(false, true, false));
    EXPECT_TRUE(DarkThemeInForce(true, true, false));
}

TEST(ThemeStart, SetsTheDarkFlagFromTheSystem) {
    testing::SimEnv env;
    sim::SimMachine& m = env.machine();
    struct Case {
        const char* what;
        bool darkFunctions;
        bool appsDark;
        bool highContrast;
        uint32_t build;
        bool supported;
        bool dark;
    };
    const Case cases[] = {
        {"dark apps", true, true, false, 22631, true, true},
        {"light apps", true, false, false, 22631, true, false},
        {"dark apps with high contrast", true, true, true, 22631, true, false},
        {"no dark-mode functions", false, true, false, 22631, false, false},
        {"Windows 10 1803", true, true, false, 17134, false, false},
    };
    for (const Case& c : cases) {
        sim::ThemeState s;
        s.darkFunctions = c.darkFunctions;
        s.appsUseDark = c.appsDark;
        s.highContrast = c.highContrast;
        sim::WriteThemeState(m, s);
        m.SetWindows(sim::WindowsForBuild(c.build));
        sim::SimThemeFacts facts(m);
        env.platform().theme = &facts;
        State() = StartupState{};
        EXPECT_EQ(InitialiseTheme(), c.dark) << c.what;
        EXPECT_EQ(State().darkTheme, c.dark) << c.what;
        EXPECT_EQ(State().darkModeSupported, c.supported) << c.what;
        EXPECT_EQ(facts.ProcessAllowed(), c.supported) << c.what;
        // Nothing of the dark-mode functions is called where they may not be.
        if (!c.supported) {
            EXPECT_EQ(facts.DarkModeCalls(), 0u) << c.what;
        }
    }
    env.platform().theme = &env.theme();
}

TEST(ThemeStart, FollowsAChangeOfTheSystemsColours) {
    testing::SimEnv env;
    sim::ThemeState s;
    sim::WriteThemeState(env.machine(), s);
    EXPECT_FALSE(InitialiseTheme());
    s.appsUseDark = true;
    sim::WriteThemeState(env.machine(), s);
    EXPECT_TRUE(RefreshDarkTheme());
    s.highContrast = true;
    sim::WriteThemeState(env.machine(), s);
    EXPECT_FALSE(RefreshDarkTheme());
}

// A small PE32+ image as the loader maps it: headers, an ordinary import of
// uxtheme.dll (by name and by ordinal) and a delay-load import of another library.
class FakeImage {
public:
    explicit FakeImage(bool wide = true) : wide_(wide), bytes_(0x2000, 0) {
        Put16(0, 0x5A4D);
        Put32(0x3C, 0x80);
        Put32(0x80, 0x00004550);
        const uint32_t optional = 0x80 + 4 + 20;
        Put16(optional, wide ? 0x20B : 0x10B);
        directories_ = optional + (wide ? 112 : 96);
        Put32(optional + (wide ? 108 : 92), 16);
    }
    // An import descriptor (ordinary or delay-load) for `dll` whose name table
    // lists `entries`: ordinals as they are, names as 0 (by name).
    uint32_t AddImports(bool delayed, const char* dll, const std::vector<int>& entries) {
        const uint32_t name = Alloc(static_cast<uint32_t>(std::strlen(dll)) + 1);
        std::memcpy(&bytes_[name], dll, std::strlen(dll));
        const uint32_t step = wide_ ? 8 : 4;
        const uint32_t names = Alloc(step * static_cast<uint32_t>(entries.size() + 1));
        const uint32_t addresses = Alloc(step * static_cast<uint32_t>(entries.size() + 1));
        const uint32_t hint = Alloc(8);
        for (size_t i = 0; i < entries.size(); ++i) {
            const uint32_t at = names + step * static_cast<uint32_t>(i);
            if (entries[i] > 0) {
                if (wide_) {
                    Put32(at, static_cast<uint32_t>(entries[i]));
                    Put32(at + 4, 0x80000000u);
                } else {
                    Put32(at, 0x80000000u | static_cast<uint32_t>(entries[i]));
                }
            } else {
                Put32(at, hint);
            }
            Put32(addresses + step * static_cast<uint32_t>(i), 0xDEAD);
        }
        const uint32_t size = delayed ? 32 : 20;
        auto& table = delayed ? delayed_ : ordinary_;
        table.push_back({name, names, addresses});
        // The descriptor array, rewritten with a zero entry after it.
        const uint32_t array = Alloc(size * static_cast<uint32_t>(table.size() + 1));
        for (size_t i = 0; i < table.size(); ++i) {
            const uint32_t d = array + size * static_cast<uint32_t>(i);
            if (delayed) {
                Put32(d, 1);
                Put32(d + 4, table[i].name);
                Put32(d + 12, table[i].addresses);
                Put32(d + 16, table[i].names);
            } else {
                Put32(d, table[i].names);
                Put32(d + 12, table[i].name);
                Put32(d + 16, table[i].addresses);
            }
        }
        Put32(directories_ + (delayed ? 13 : 1) * 8, array);
        return addresses;
    }
    const uint8_t* data() const { return bytes_.data(); }
    size_t size() const { return bytes_.size(); }
    uint32_t step() const { return wide_ ? 8 : 4; }

private:
    struct Descriptor {
        uint32_t name, names, addresses;
    };
    uint32_t Alloc(uint32_t n) {
        const uint32_t at = next_;
        next_ += (n + 7) & ~7u;
        return at;
    }
    void Put16(uint32_t at, uint16_t v) { bytes_[at] = v & 0xFF, bytes_[at + 1] = v >> 8; }
    void Put32(uint32_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }

    bool wide_;
    std::vector<uint8_t> bytes_;
    uint32_t directories_ = 0;
    uint32_t next_ = 0x400;
    std::vector<Descriptor> ordinary_, delayed_;
};

TEST(OrdinalImports, FindsTheSlotOnlyWhereTheModuleImportsTheOrdinal) {
    FakeImage byName;
    byName.AddImports(false, "KERNEL32.dll", {0, 0});
    byName.AddImports(false, "UxTheme.dll", {0, 0, 0});  // every function by name, as Wine's comctl32
    EXPECT_EQ(FindOrdinalImportSlot(byName.data(), byName.size(), "uxtheme.dll", 49), 0u);

    FakeImage ordinary;
    ordinary.AddImports(false, "KERNEL32.dll", {0});
    const uint32_t table = ordinary.AddImports(false, "UXTHEME.DLL", {0, 47, 49});
    EXPECT_EQ(FindOrdinalImportSlot(ordinary.data(), ordinary.size(), "uxtheme.dll", 49), table + 2 * ordinary.step());
    EXPECT_EQ(FindOrdinalImportSlot(ordinary.data(), ordinary.size(), "uxtheme.dll", 48), 0u);
    EXPECT_EQ(FindOrdinalImportSlot(ordinary.data(), ordinary.size(), "uxtheme", 49), 0u);

    FakeImage delayed;  // Windows' comctl32 takes uxtheme through its delay-load table
    delayed.AddImports(false, "USER32.dll", {0, 49});
    const uint32_t delayedTable = delayed.AddImports(true, "uxtheme.dll", {49});
    EXPECT_EQ(FindOrdinalImportSlot(delayed.data(), delayed.size(), "uxtheme.dll", 49), delayedTable);

    FakeImage narrow(false);
    const uint32_t narrowTable = narrow.AddImports(false, "uxtheme.dll", {12, 49});
    EXPECT_EQ(FindOrdinalImportSlot(narrow.data(), narrow.size(), "UxTheme.dll", 49), narrowTable + 4);
}

TEST(OrdinalImports, NeverReadsOutsideTheImage) {
    FakeImage image;
    image.AddImports(false, "uxtheme.dll", {49});
    EXPECT_EQ(FindOrdinalImportSlot(nullptr, 0, "uxtheme.dll", 49), 0u);
    for (size_t cut : {size_t(0), size_t(0x40), size_t(0x90), size_t(0x410), size_t(0x430)}) {
        EXPECT_EQ(FindOrdinalImportSlot(image.data(), cut, "uxtheme.dll", 49), 0u) << cut;
    }
    std::vector<uint8_t> garbage(image.data(), image.data() + image.size());
    garbage[0x3C] = 0xF0;  // the PE header beyond the end
    garbage[0x3D] = 0xFF;
    EXPECT_EQ(FindOrdinalImportSlot(garbage.data(), garbage.size(), "uxtheme.dll", 49), 0u);
}

}  // namespace
}  // namespace quellora
