#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/pe_imports.h"
#include "platform/sim/sim_theme.h"
#include "platform/startup_state.h"
#include "platform/theme_facts.h"
#include "tests/support/sim_env.h"
#include "platform/text.h"
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


// ---- The theme's decisions

TEST(ThemeDecisions, PaletteAndGraphColours) {
    const SystemColours system{0x00000001, 0x00FFFFFE, 0x00F0F0F1};
    const Palette dark = MakePalette(true, system);
    EXPECT_EQ(dark, (Palette{0x00C8C8C8, 0x001E1E1E, 0x00221D19, 0x00FFFFFF, 0x00444444, 0x0030CC30, 0x00303030,
                             0x00ACACAC}));
    const Palette light = MakePalette(false, system);
    EXPECT_EQ(light, (Palette{0x00000001, 0x00FFFFFE, 0x00F0F0F1, 0x00000001, 0x00CCCCCC, 0x00198232, 0x00DCDCDC,
                              0x00ACACAC}));
    EXPECT_EQ(GraphColours(dark), (std::array<uint32_t, 6>{0x00FFFFFF, 0x0030CC30, 0x00303030, 0x00444444, 0x00221D19,
                                                           0x00ACACAC}));
    SetPalette(true, system);
    EXPECT_EQ(CurrentPalette(), dark);
    SetPalette(false, system);
    EXPECT_EQ(CurrentPalette(), light);
}

TEST(ThemeDecisions, EachKindOfControlGetsItsStyle) {
    using S = ControlTheme::Style;
    struct Case {
        const char16_t* cls;
        uint32_t style;
        bool dark;
        ControlTheme expected;
    };
    const Case cases[] = {
        {u"SysHeader32", 0, true, {S::Keep, false, false, false}},
        {u"SysListView32", 1, true, {S::ItemsView, true, false, false}},
        {u"SysListView32", 1, false, {S::ItemsView, false, false, false}},
        {u"Button", 0x0, true, {S::Explorer, true, false, false}},          // push button
        {u"Button", 0x1, false, {S::Explorer, false, false, false}},        // default push button
        {u"Button", 0x3 | 0x1000, true, {S::Explorer, true, false, false}},  // push-like check box
        {u"Button", 0x3, true, {S::None, true, false, true}},               // check box
        {u"button", 0x5, true, {S::None, true, false, true}},               // 3-state box
        {u"Button", 0x9, false, {S::None, false, false, true}},             // radio button
        {u"Button", 0x7, true, {S::None, true, false, false}},              // group box
        {u"ComboBox", 0x3, true, {S::DarkCombo, true, false, false}},
        {u"ComboBox", 0x3, false, {S::None, false, false, false}},
        {u"SysLink", 0, true, {S::None, true, true, false}},
        {u"Edit", 0, true, {S::None, true, false, false}},
        {u"Static", 0, false, {S::None, false, false, false}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ThemeForControl(c.cls, c.style, c.dark), c.expected) << Utf16ToUtf8(c.cls) << " " << c.style;
    }
}

TEST(ThemeDecisions, DarkCheckBoxesAndRadioButtons) {
    struct Case {
        const char* what;
        CheckState state;
        int part;
        int stateNumber;
        uint32_t text;
    };
    CheckState hotRadio;
    hotRadio.radio = true;
    hotRadio.check = 1;
    hotRadio.hot = true;
    CheckState disabled;
    disabled.check = 1;
    disabled.enabled = false;
    CheckState pressedMixed;
    pressedMixed.check = 2;
    pressedMixed.pressed = true;
    const Case cases[] = {
        {"unchecked check box", CheckState{}, 3, 1, kDarkDialogText},
        {"checked radio button, hot", hotRadio, 2, 6, kDarkDialogText},
        {"checked check box, disabled", disabled, 3, 8, kDarkDisabledText},
        {"indeterminate, pressed", pressedMixed, 3, 11, kDarkDialogText},
    };
    for (const Case& c : cases) {
        const CheckPaint p = PlanCheckPaint(Rect{0, 0, 120, 20}, 96, c.state);
        EXPECT_EQ(p.part, c.part) << c.what;
        EXPECT_EQ(p.state, c.stateNumber) << c.what;
        EXPECT_EQ(p.textColour, c.text) << c.what;
        EXPECT_EQ(p.glyph, (Rect{0, 3, 13, 16})) << c.what;
        EXPECT_EQ(p.text.left, 17) << c.what;
    }
    CheckState focused;
    focused.focused = true;
    const CheckPaint big = PlanCheckPaint(Rect{0, 0, 200, 30}, 144, focused);
    EXPECT_EQ(big.glyph, (Rect{0, 5, 20, 25}));
    EXPECT_EQ(big.text.left, 26);
    EXPECT_TRUE(big.focusRect);
    focused.focusCues = false;
    EXPECT_FALSE(PlanCheckPaint(Rect{0, 0, 200, 30}, 144, focused).focusRect);
}

TEST(ThemeDecisions, LinksAreMovedTowardsTheTargetByTheirStrength) {
    EXPECT_TRUE(IsDarkColour(kDarkDialogBackground));
    EXPECT_FALSE(IsDarkColour(0x00F0F0F0));
    EXPECT_TRUE(IsDarkColour(0x007F7F7F));   // luminance 127
    EXPECT_FALSE(IsDarkColour(0x00808080));  // 128
    EXPECT_EQ(ColorrefToPixel(0x00221D19), 0x00191D22u);
    EXPECT_EQ(PixelToColorref(0xFF191D22), 0x00221D19u);

    const uint32_t bg = ColorrefToPixel(kDarkDialogBackground);  // (25, 29, 34)
    const uint32_t strong = 0x000179D8;                          // (1, 121, 216)
    const uint32_t half = 0x000D4B7D;                            // (13, 75, 125): half way
    const uint32_t white = 0x00FFFFFF;
    // The normal picture and the one with the plain text hidden.
    std::vector<uint32_t> normal{bg, strong, half, white};
    const std::vector<uint32_t> hidden{bg, strong, half, bg};
    RecolourLink(normal.data(), hidden.data(), normal.size(), kDarkDialogBackground, kLinkColour);
    EXPECT_EQ(normal[0], bg) << "the background stays";
    EXPECT_EQ(normal[1], ColorrefToPixel(kLinkColour)) << "full strength becomes the target";
    EXPECT_EQ(normal[2], 0x00436991u) << "half strength goes half way: (67, 105, 145)";
    EXPECT_EQ(normal[3], white) << "plain text stays";

    std::vector<uint32_t> disabled{bg, strong};
    RecolourLink(disabled.data(), std::vector<uint32_t>{bg, strong}.data(), 2, kDarkDialogBackground,
                 kDisabledLinkColour);
    EXPECT_EQ(disabled[1], ColorrefToPixel(kDisabledLinkColour));
    std::vector<uint32_t> nothing{bg, bg};
    RecolourLink(nothing.data(), nothing.data(), 2, kDarkDialogBackground, kLinkColour);
    EXPECT_EQ(nothing, (std::vector<uint32_t>{bg, bg}));
}

TEST(ThemeDecisions, TheGlowPulsesInRingsOfTheAccent) {
    EXPECT_DOUBLE_EQ(GlowIntensity(5000, 5000, true), 0.5);
    EXPECT_DOUBLE_EQ(GlowIntensity(5800, 5000, true), 1.0);
    EXPECT_NEAR(GlowIntensity(5400, 5000, true), 0.75, 1e-9);
    EXPECT_DOUBLE_EQ(GlowIntensity(5000 + 1600, 5000, true), 0.5);
    EXPECT_DOUBLE_EQ(GlowIntensity(5400, 5000, false), 1.0) << "steady without animations";
    EXPECT_TRUE(GlowAnimates(true, true, false));
    EXPECT_FALSE(GlowAnimates(true, false, false));
    EXPECT_FALSE(GlowAnimates(true, true, true));
    EXPECT_FALSE(GlowAnimates(false, true, false));

    EXPECT_EQ(GlowAccent(true, 0x00D77800, true), 0x00DD8C26u);   // lightened by 15 %
    EXPECT_EQ(GlowAccent(true, 0x00D77800, false), 0x00C26C00u);  // darkened by 10 %
    EXPECT_EQ(GlowAccent(false, 0, true), 0x00F2924Eu);           // the fallback, lightened
    EXPECT_EQ(GlowAccent(true, 0xFF000000, false), 0u) << "alpha is dropped";

    const uint32_t base = kDarkDialogBackground;
    const uint32_t accent = kLinkColour;  // (108, 180, 255)
    const std::vector<GlowRing> rings = GlowRings(Rect{0, 0, 90, 40}, Rect{6, 7, 84, 33}, base, accent, 1.0);
    ASSERT_EQ(rings.size(), 6u) << "n is the smaller gap";
    EXPECT_EQ(rings[0].rect, (Rect{0, 1, 90, 39}));
    EXPECT_EQ(rings[0].corner, 16);
    EXPECT_EQ(rings[0].colour, 0x006C4F35u) << "a third of the way: (53, 79, 108)";
    EXPECT_EQ(rings[5].rect, (Rect{5, 6, 85, 34}));
    EXPECT_EQ(rings[5].corner, 6);
    EXPECT_EQ(rings[4].colour, accent);
    EXPECT_EQ(rings[5].colour, accent);
    const std::vector<GlowRing> dim = GlowRings(Rect{0, 0, 90, 40}, Rect{6, 7, 84, 33}, base, accent, 0.5);
    EXPECT_EQ(dim[5].colour, 0x00916943u) << "half intensity: (67, 105, 145)";
    const std::vector<GlowRing> tight = GlowRings(Rect{0, 0, 50, 20}, Rect{0, 0, 50, 20}, base, accent, 1.0);
    ASSERT_EQ(tight.size(), 1u) << "at least one ring";
    EXPECT_EQ(tight[0].colour, accent);
}

TEST(ThemeDecisions, MenuBarItemStates) {
    EXPECT_EQ(MenuBarItemState(false, false, false, false), 1);
    EXPECT_EQ(MenuBarItemState(false, false, true, false), 2);
    EXPECT_EQ(MenuBarItemState(false, false, false, true), 2);
    EXPECT_EQ(MenuBarItemState(true, false, true, true), 3);
    EXPECT_EQ(MenuBarItemState(false, true, false, false), 3);
}

TEST(ThemeDecisions, OnlyTheImmersiveColourSetRethemes) {
    testing::SimEnv env;
    sim::ThemeState s;
    s.appsUseDark = true;
    sim::WriteThemeState(env.machine(), s);
    InitialiseTheme();
    const uint32_t before = env.theme().DarkModeCalls();
    EXPECT_TRUE(ThemeSettingChanged(u"immersivecolorset"));
    EXPECT_EQ(env.theme().DarkModeCalls(), before + 2) << "the colour policy and the high-contrast state";
    EXPECT_FALSE(ThemeSettingChanged(u"Environment"));
    EXPECT_EQ(env.theme().DarkModeCalls(), before + 3) << "the high-contrast state in every case";
    // Switched to light while open: the flag follows.
    s.appsUseDark = false;
    sim::WriteThemeState(env.machine(), s);
    EXPECT_FALSE(RefreshDarkTheme());
}

}  // namespace
}  // namespace quellora
