// The simulated machine's registries: the in-memory one with the Windows
// registry's rules, and the journal that keeps it in a file shared by processes.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <memory>
#include <thread>

#include "platform/errors.h"
#include "platform/host/journal_registry.h"
#include "platform/sim/memory_registry.h"
#include "platform/sim/reg_util.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

namespace quellora {
namespace {

using sim::MemoryRegistry;

std::vector<std::u16string> Keys(Registry& r, Hive hive, std::u16string_view key) {
    std::vector<std::u16string> names;
    EXPECT_EQ(r.EnumKeys(hive, key, names), 0u);
    return names;
}

std::vector<std::u16string> ValueNames(Registry& r, Hive hive, std::u16string_view key) {
    std::vector<RegEntry> values;
    EXPECT_EQ(r.EnumValues(hive, key, values), 0u);
    std::vector<std::u16string> names;
    for (const auto& v : values) names.push_back(v.name);
    return names;
}

uint32_t Dword(Registry& r, Hive hive, std::u16string_view key, std::u16string_view name) {
    RegValue v;
    if (r.QueryValue(hive, key, name, v) != 0 || v.data.size() != 4) return 0xDEAD;
    return uint32_t(v.data[0]) | uint32_t(v.data[1]) << 8 | uint32_t(v.data[2]) << 16 | uint32_t(v.data[3]) << 24;
}

TEST(SimMemoryRegistry, KeyNamesIgnoreCaseButKeepTheirSpelling) {
    MemoryRegistry r;
    ASSERT_EQ(r.SetValue(Hive::LocalMachine, u"SOFTWARE\\Vendor\\MixedCase", u"Value", RegValue::Dword(1)), 0u);
    EXPECT_EQ(r.OpenKey(Hive::LocalMachine, u"software\\VENDOR\\mixedcase"), 0u);
    EXPECT_EQ(Dword(r, Hive::LocalMachine, u"Software\\vendor\\MIXEDCASE", u"VALUE"), 1u);
    // Creating it again in another case changes nothing.
    ASSERT_EQ(r.CreateKey(Hive::LocalMachine, u"SOFTWARE\\VENDOR\\MIXEDCASE"), 0u);
    EXPECT_EQ(Keys(r, Hive::LocalMachine, u"SOFTWARE\\Vendor"), std::vector<std::u16string>{u"MixedCase"});
}

TEST(SimMemoryRegistry, SubkeysSortedAfterUpperCasingValuesInCreationOrder) {
    MemoryRegistry r;
    const std::u16string key = u"Software\\Order";
    for (const char16_t* name : {u"beta", u"Alpha", u"_under", u"10", u"9", u"Zeta", u"[x"}) {
        ASSERT_EQ(r.CreateKey(Hive::CurrentUser, key + u"\\" + name), 0u);
    }
    EXPECT_EQ(Keys(r, Hive::CurrentUser, key),
              (std::vector<std::u16string>{u"10", u"9", u"Alpha", u"beta", u"Zeta", u"[x", u"_under"}));
    for (const char16_t* name : {u"z", u"a", u"", u"M"}) {
        ASSERT_EQ(r.SetValue(Hive::CurrentUser, key, name, RegValue::Dword(1)), 0u);
    }
    // The empty name is the key's default value, listed where it was created.
    EXPECT_EQ(ValueNames(r, Hive::CurrentUser, key), (std::vector<std::u16string>{u"z", u"a", u"", u"M"}));
    ASSERT_EQ(r.SetValue(Hive::CurrentUser, key, u"A", RegValue::Qword(5)), 0u);
    EXPECT_EQ(ValueNames(r, Hive::CurrentUser, key), (std::vector<std::u16string>{u"z", u"a", u"", u"M"}));
}

TEST(SimMemoryRegistry, MissingThingsAnswerFileNotFound) {
    MemoryRegistry r;
    RegValue v;
    std::vector<std::u16string> names;
    std::vector<RegEntry> values;
    const std::u16string key = u"SOFTWARE\\Nothing";
    EXPECT_EQ(r.QueryValue(Hive::LocalMachine, key, u"x", v), err::kFileNotFound);
    EXPECT_EQ(r.OpenKey(Hive::LocalMachine, key), err::kFileNotFound);
    EXPECT_EQ(r.EnumKeys(Hive::LocalMachine, key, names), err::kFileNotFound);
    EXPECT_EQ(r.EnumValues(Hive::LocalMachine, key, values), err::kFileNotFound);
    EXPECT_EQ(r.DeleteValue(Hive::LocalMachine, key, u"x"), err::kFileNotFound);
    EXPECT_EQ(r.DeleteKey(Hive::LocalMachine, key), err::kFileNotFound);
    EXPECT_EQ(r.DeleteTree(Hive::LocalMachine, key), err::kFileNotFound);
    ASSERT_EQ(r.CreateKey(Hive::LocalMachine, key), 0u);
    EXPECT_EQ(r.QueryValue(Hive::LocalMachine, key, u"x", v), err::kFileNotFound);
    // The hives are separate.
    EXPECT_EQ(r.OpenKey(Hive::CurrentUser, key), err::kFileNotFound);
}

TEST(SimMemoryRegistry, DeleteKeyRefusesSubkeysDeleteTreeTakesAll) {
    MemoryRegistry r;
    ASSERT_EQ(r.SetValue(Hive::CurrentUser, u"Software\\T\\child\\grand", u"v", RegValue::Dword(1)), 0u);
    EXPECT_EQ(r.DeleteKey(Hive::CurrentUser, u"Software\\T"), err::kAccessDenied);
    EXPECT_EQ(r.DeleteKey(Hive::CurrentUser, u"Software\\T\\child\\grand"), 0u);
    EXPECT_EQ(r.OpenKey(Hive::CurrentUser, u"Software\\T\\child"), 0u);
    ASSERT_EQ(r.CreateKey(Hive::CurrentUser, u"Software\\T\\child\\again"), 0u);
    EXPECT_EQ(r.DeleteTree(Hive::CurrentUser, u"Software\\T"), 0u);
    EXPECT_EQ(r.OpenKey(Hive::CurrentUser, u"Software\\T"), err::kFileNotFound);
    EXPECT_EQ(r.OpenKey(Hive::CurrentUser, u"Software"), 0u);
}

TEST(SimMemoryRegistry, ThirtyTwoBitViewOfMachineSoftwareIsWow6432Node) {
    MemoryRegistry r;
    ASSERT_EQ(r.SetValue(Hive::LocalMachine, u"SOFTWARE\\App", u"v", RegValue::Dword(32), RegView::Force32), 0u);
    EXPECT_EQ(r.OpenKey(Hive::LocalMachine, u"SOFTWARE\\WOW6432Node\\App"), 0u);
    EXPECT_EQ(r.OpenKey(Hive::LocalMachine, u"SOFTWARE\\App"), err::kFileNotFound);
    EXPECT_EQ(r.OpenKey(Hive::LocalMachine, u"SOFTWARE\\App", RegView::Force64), err::kFileNotFound);
    EXPECT_EQ(Dword(r, Hive::LocalMachine, u"SOFTWARE\\WOW6432Node\\App", u"v"), 32u);
    // Other keys and the user's hive are not redirected.
    ASSERT_EQ(r.CreateKey(Hive::LocalMachine, u"SYSTEM\\X", RegView::Force32), 0u);
    EXPECT_EQ(r.OpenKey(Hive::LocalMachine, u"SYSTEM\\X"), 0u);
    ASSERT_EQ(r.CreateKey(Hive::CurrentUser, u"SOFTWARE\\U", RegView::Force32), 0u);
    EXPECT_EQ(r.OpenKey(Hive::CurrentUser, u"SOFTWARE\\U"), 0u);
    EXPECT_EQ(sim::ResolveViewPath(Hive::LocalMachine, u"SOFTWARE\\WOW6432Node\\A", RegView::Force32),
              u"SOFTWARE\\WOW6432Node\\A");
}

TEST(SimKeyPaths, BareGuidMatchesTheRegistryForm) {
    for (const Guid& g : {Guid{}, guids::kBalanced, guids::kOverlay3, GuidLiteral("ffffffff-0000-ffff-00ff-ff00ff00ff00")}) {
        EXPECT_EQ(sim::BareGuid(g), GuidToBareText(g));
    }
}

class SimJournalRegistry : public ::testing::Test {
protected:
    std::string File() const { return dir.path() + "/registry.journal"; }
    testing::TempDir dir;
};

const std::u16string kOdd = u"tab\there%25 new\nline \u00fc \U0001F600 %";

TEST_F(SimJournalRegistry, ChangesPersistAndReachAnotherInstance) {
    JournalRegistry a(File());
    ASSERT_TRUE(a.IsOpen());
    ASSERT_EQ(a.SetValue(Hive::LocalMachine, u"SOFTWARE\\" + kOdd, kOdd, RegValue::String(kOdd)), 0u);
    ASSERT_EQ(a.SetValue(Hive::CurrentUser, u"Software\\Q", u"", RegValue::Binary("\x00\x01\xff", 3)), 0u);
    ASSERT_EQ(a.SetValue(Hive::LocalMachine, u"SOFTWARE\\Q", u"w", RegValue::Dword(7), RegView::Force32), 0u);

    JournalRegistry b(File());
    RegValue v;
    ASSERT_EQ(b.QueryValue(Hive::LocalMachine, u"SOFTWARE\\" + kOdd, kOdd, v), 0u);
    EXPECT_EQ(v.data, RegValue::String(kOdd).data);
    ASSERT_EQ(b.QueryValue(Hive::CurrentUser, u"Software\\Q", u"", v), 0u);
    EXPECT_EQ(v.type, regtype::kBinary);
    EXPECT_EQ(v.data, (std::vector<uint8_t>{0, 1, 0xff}));
    EXPECT_EQ(Dword(b, Hive::LocalMachine, u"SOFTWARE\\WOW6432Node\\Q", u"w"), 7u);

    // A change by one is seen by the other at its next call.
    ASSERT_EQ(b.DeleteValue(Hive::CurrentUser, u"Software\\Q", u""), 0u);
    EXPECT_EQ(a.QueryValue(Hive::CurrentUser, u"Software\\Q", u"", v), err::kFileNotFound);
    ASSERT_EQ(a.DeleteTree(Hive::LocalMachine, u"SOFTWARE\\" + kOdd), 0u);
    EXPECT_EQ(b.OpenKey(Hive::LocalMachine, u"SOFTWARE\\" + kOdd), err::kFileNotFound);
    ASSERT_EQ(b.CreateKey(Hive::LocalMachine, u"SOFTWARE\\Q\\Sub"), 0u);
    EXPECT_EQ(a.DeleteKey(Hive::LocalMachine, u"SOFTWARE\\Q"), err::kAccessDenied);
    EXPECT_EQ(Keys(a, Hive::LocalMachine, u"SOFTWARE\\Q"), std::vector<std::u16string>{u"Sub"});
}

TEST_F(SimJournalRegistry, FailedChangesWriteNothing) {
    JournalRegistry a(File());
    ASSERT_EQ(a.CreateKey(Hive::LocalMachine, u"SOFTWARE\\Q"), 0u);
    const uint64_t size = a.JournalBytes();
    EXPECT_EQ(a.DeleteValue(Hive::LocalMachine, u"SOFTWARE\\Q", u"missing"), err::kFileNotFound);
    EXPECT_EQ(a.DeleteTree(Hive::LocalMachine, u"SOFTWARE\\Missing"), err::kFileNotFound);
    EXPECT_EQ(a.JournalBytes(), size);
}

TEST_F(SimJournalRegistry, TwoInstancesAppendConcurrentlyWithoutLosingAChange) {
    JournalRegistry first(File());
    JournalRegistry second(File());
    constexpr int kEach = 300;
    auto writer = [](JournalRegistry* r, const char16_t* prefix) {
        for (int i = 0; i < kEach; ++i) {
            r->SetValue(Hive::LocalMachine, u"SOFTWARE\\Shared", prefix + ToDecimal(i), RegValue::Dword(uint32_t(i)));
            r->SetValue(Hive::LocalMachine, u"SOFTWARE\\Counter", prefix, RegValue::Dword(uint32_t(i)));
        }
    };
    std::thread a(writer, &first, u"a");
    std::thread b(writer, &second, u"b");
    a.join();
    b.join();
    JournalRegistry reader(File());
    for (Registry* r : {static_cast<Registry*>(&first), static_cast<Registry*>(&second), static_cast<Registry*>(&reader)}) {
        EXPECT_EQ(ValueNames(*r, Hive::LocalMachine, u"SOFTWARE\\Shared").size(), size_t(2 * kEach));
        EXPECT_EQ(Dword(*r, Hive::LocalMachine, u"SOFTWARE\\Counter", u"a"), uint32_t(kEach - 1));
        EXPECT_EQ(Dword(*r, Hive::LocalMachine, u"SOFTWARE\\Counter", u"b"), uint32_t(kEach - 1));
    }
}

TEST_F(SimJournalRegistry, CompactionRewritesTheFileAndOthersFollow) {
    JournalRegistry a(File());
    JournalRegistry b(File());
    a.SetCompactThreshold(4 * 1024);
    for (int i = 0; i < 400; ++i) {
        ASSERT_EQ(a.SetValue(Hive::LocalMachine, u"SOFTWARE\\C", u"v", RegValue::Dword(uint32_t(i))), 0u);
    }
    ASSERT_EQ(a.SetValue(Hive::LocalMachine, u"SOFTWARE\\C\\Kept", kOdd, RegValue::String(u"x")), 0u);
    // Rewritten as a snapshot: far smaller than 400 lines.
    struct stat st {};
    ASSERT_EQ(::stat(File().c_str(), &st), 0);
    EXPECT_LT(st.st_size, 4 * 1024);
    EXPECT_EQ(Dword(b, Hive::LocalMachine, u"SOFTWARE\\C", u"v"), 399u);
    ASSERT_EQ(b.SetValue(Hive::LocalMachine, u"SOFTWARE\\C", u"after", RegValue::Dword(1)), 0u);
    EXPECT_EQ(Dword(a, Hive::LocalMachine, u"SOFTWARE\\C", u"after"), 1u);

    ASSERT_TRUE(b.Compact());
    JournalRegistry c(File());
    EXPECT_EQ(Dword(c, Hive::LocalMachine, u"SOFTWARE\\C", u"v"), 399u);
    EXPECT_EQ(ValueNames(c, Hive::LocalMachine, u"SOFTWARE\\C"), (std::vector<std::u16string>{u"v", u"after"}));
    RegValue v;
    EXPECT_EQ(c.QueryValue(Hive::LocalMachine, u"SOFTWARE\\C\\Kept", kOdd, v), 0u);
}

TEST_F(SimJournalRegistry, AFileReplacedFromOutsideIsReadAgainWhole) {
    JournalRegistry a(File());
    ASSERT_EQ(a.SetValue(Hive::LocalMachine, u"SOFTWARE\\Old", u"v", RegValue::Dword(1)), 0u);
    {
        // Another registry written elsewhere, then moved over the file.
        const std::string other = dir.path() + "/other.journal";
        JournalRegistry writer(other);
        ASSERT_EQ(writer.SetValue(Hive::LocalMachine, u"SOFTWARE\\New", u"v", RegValue::Dword(2)), 0u);
        ASSERT_EQ(::rename(other.c_str(), File().c_str()), 0);
    }
    EXPECT_EQ(a.OpenKey(Hive::LocalMachine, u"SOFTWARE\\Old"), err::kFileNotFound);
    EXPECT_EQ(Dword(a, Hive::LocalMachine, u"SOFTWARE\\New", u"v"), 2u);
}

TEST_F(SimJournalRegistry, AnIncompleteLastLineIsSkipped) {
    {
        JournalRegistry a(File());
        ASSERT_EQ(a.SetValue(Hive::LocalMachine, u"SOFTWARE\\A", u"v", RegValue::Dword(1)), 0u);
    }
    testing::WriteBytes(File(), testing::ReadBytes(File()) + "S\tHKLM\tSOFTWARE\\A\tbroken\t4\t01");
    JournalRegistry b(File());
    RegValue v;
    EXPECT_EQ(b.QueryValue(Hive::LocalMachine, u"SOFTWARE\\A", u"broken", v), err::kFileNotFound);
    ASSERT_EQ(b.SetValue(Hive::LocalMachine, u"SOFTWARE\\A", u"w", RegValue::Dword(2)), 0u);
    JournalRegistry c(File());
    EXPECT_EQ(Dword(c, Hive::LocalMachine, u"SOFTWARE\\A", u"v"), 1u);
    EXPECT_EQ(Dword(c, Hive::LocalMachine, u"SOFTWARE\\A", u"w"), 2u);
    EXPECT_EQ(c.QueryValue(Hive::LocalMachine, u"SOFTWARE\\A", u"broken", v), err::kFileNotFound);
}

TEST_F(SimJournalRegistry, WithoutAFileItStillWorksInMemory) {
    JournalRegistry r(dir.path() + "/missing-folder/registry.journal");
    EXPECT_FALSE(r.IsOpen());
    ASSERT_EQ(r.SetValue(Hive::LocalMachine, u"SOFTWARE\\M", u"v", RegValue::Dword(3)), 0u);
    EXPECT_EQ(Dword(r, Hive::LocalMachine, u"SOFTWARE\\M", u"v"), 3u);
}

}  // namespace
}  // namespace quellora
