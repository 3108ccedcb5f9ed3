// The registry: Windows' own (Wine's here) and the simulated machine's
// in-memory registry must answer alike, so every case runs on both.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "platform/errors.h"
#include "platform/sim/memory_registry.h"
#include "platform/text.h"
#include "platform/win32/win32_platform.h"
#include "tests/win32/support.h"

namespace quellora {
namespace {

struct RegistryKind {
    const char* name;
    std::function<std::unique_ptr<Registry>()> make;
};

void PrintTo(const RegistryKind& kind, std::ostream* os) { *os << kind.name; }

std::vector<RegistryKind> Kinds() {
    return {
        {"Windows", [] { return std::make_unique<win32::Win32Registry>(); }},
        {"Memory", [] { return std::make_unique<sim::MemoryRegistry>(); }},
    };
}

class RegistryTest : public ::testing::TestWithParam<RegistryKind> {
protected:
    void SetUp() override {
        reg = GetParam().make();
        std::u16string id = Format(u"%u-%u", static_cast<unsigned>(GetCurrentProcessId()), ++counter_);
        user = u"Software\\QuelloraTests\\" + id;
        machine = u"SOFTWARE\\QuelloraTests\\" + id;
        machine32 = u"SOFTWARE\\WOW6432Node\\QuelloraTests\\" + id;
    }
    void TearDown() override {
        reg->DeleteTree(Hive::CurrentUser, user);
        reg->DeleteTree(Hive::LocalMachine, machine, RegView::Force64);
        reg->DeleteTree(Hive::LocalMachine, machine, RegView::Force32);
        reg->DeleteKey(Hive::CurrentUser, u"Software\\QuelloraTests");
        reg->DeleteKey(Hive::LocalMachine, u"SOFTWARE\\QuelloraTests", RegView::Force64);
        reg->DeleteKey(Hive::LocalMachine, u"SOFTWARE\\QuelloraTests", RegView::Force32);
    }

    std::vector<std::u16string> Keys(std::u16string_view key) {
        std::vector<std::u16string> names;
        EXPECT_EQ(reg->EnumKeys(Hive::CurrentUser, key, names), 0u);
        return names;
    }
    std::vector<std::u16string> ValueNames(std::u16string_view key) {
        std::vector<RegEntry> values;
        EXPECT_EQ(reg->EnumValues(Hive::CurrentUser, key, values), 0u);
        std::vector<std::u16string> names;
        for (auto& v : values) names.push_back(v.name);
        return names;
    }

    std::unique_ptr<Registry> reg;
    std::u16string user;
    std::u16string machine;
    std::u16string machine32;

private:
    static inline unsigned counter_ = 0;
};

RegValue Raw(uint32_t type, std::vector<uint8_t> bytes) {
    RegValue v;
    v.type = type;
    v.data = std::move(bytes);
    return v;
}

TEST_P(RegistryTest, ValuesOfEveryTypeComeBackAsWritten) {
    std::vector<uint8_t> large(300000);
    for (size_t i = 0; i < large.size(); ++i) large[i] = static_cast<uint8_t>(i * 7);
    const std::u16string multi(u"one\0zwei \u00e4\0\0", 11);
    struct Case {
        const char16_t* name;
        RegValue value;
    } cases[] = {
        {u"Dword", RegValue::Dword(0xDEADBEEF)},
        {u"DwordZero", RegValue::Dword(0)},
        {u"Qword", RegValue::Qword(0x0123456789ABCDEFull)},
        {u"Text", RegValue::String(u"Gr\u00fc\u00dfe \u65e5\u672c \U0001F600")},
        {u"EmptyText", RegValue::String(u"")},
        {u"Expand", RegValue::String(u"%SystemRoot%\\system32", regtype::kExpandSz)},
        {u"Multi", Raw(regtype::kMultiSz, RegValue::String(multi).data)},
        {u"Binary", RegValue::Binary("\x00\x01\xFF\x7F", 4)},
        {u"EmptyBinary", RegValue::Binary("", 0)},
        {u"Large", RegValue::Binary(large.data(), large.size())},
        {u"NoneWithData", Raw(regtype::kNone, {1, 2, 3})},
        {u"", RegValue::String(u"the key's default value")},
        {u"Name with spaces and \u00fc", RegValue::Dword(7)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.name));
        ASSERT_EQ(reg->SetValue(Hive::CurrentUser, user, c.name, c.value), 0u);
        RegValue back;
        ASSERT_EQ(reg->QueryValue(Hive::CurrentUser, user, c.name, back), 0u);
        EXPECT_EQ(back.type, c.value.type);
        EXPECT_EQ(back.data, c.value.data);
    }
    std::vector<RegEntry> listed;
    ASSERT_EQ(reg->EnumValues(Hive::CurrentUser, user, listed), 0u);
    ASSERT_EQ(listed.size(), std::size(cases));
    for (const auto& c : cases) {
        auto it = std::find_if(listed.begin(), listed.end(), [&](const RegEntry& e) { return e.name == c.name; });
        ASSERT_NE(it, listed.end()) << Utf16ToUtf8(c.name);
        EXPECT_EQ(it->value.type, c.value.type);
        EXPECT_EQ(it->value.data, c.value.data);
    }
}

TEST_P(RegistryTest, MissingKeysAndValuesAnswerFileNotFound) {
    RegValue v;
    std::vector<std::u16string> keys;
    std::vector<RegEntry> values;
    EXPECT_EQ(reg->QueryValue(Hive::CurrentUser, user, u"x", v), err::kFileNotFound);
    EXPECT_EQ(reg->OpenKey(Hive::CurrentUser, user), err::kFileNotFound);
    EXPECT_EQ(reg->EnumKeys(Hive::CurrentUser, user, keys), err::kFileNotFound);
    EXPECT_EQ(reg->EnumValues(Hive::CurrentUser, user, values), err::kFileNotFound);
    EXPECT_EQ(reg->DeleteValue(Hive::CurrentUser, user, u"x"), err::kFileNotFound);
    EXPECT_EQ(reg->DeleteKey(Hive::CurrentUser, user), err::kFileNotFound);
    EXPECT_EQ(reg->DeleteTree(Hive::CurrentUser, user), err::kFileNotFound);

    ASSERT_EQ(reg->CreateKey(Hive::CurrentUser, user), 0u);
    EXPECT_EQ(reg->OpenKey(Hive::CurrentUser, user), 0u);
    EXPECT_EQ(reg->QueryValue(Hive::CurrentUser, user, u"x", v), err::kFileNotFound);
    EXPECT_EQ(reg->DeleteValue(Hive::CurrentUser, user, u"x"), err::kFileNotFound);
}

TEST_P(RegistryTest, SetValueCreatesEveryMissingParent) {
    std::u16string deep = user + u"\\a\\b\\c";
    ASSERT_EQ(reg->SetValue(Hive::CurrentUser, deep, u"v", RegValue::Dword(1)), 0u);
    EXPECT_EQ(reg->OpenKey(Hive::CurrentUser, user + u"\\a\\b"), 0u);
    // Key names are found without regard to case.
    RegValue v;
    EXPECT_EQ(reg->QueryValue(Hive::CurrentUser, user + u"\\A\\B\\C", u"V", v), 0u);
}

TEST_P(RegistryTest, SubkeysAreListedSortedWithoutRegardToCase) {
    for (const char16_t* name : {u"beta", u"Alpha", u"gamma", u"a1", u"10", u"9", u"Zeta", u"A0"}) {
        ASSERT_EQ(reg->CreateKey(Hive::CurrentUser, user + u"\\" + name), 0u);
    }
    // Letters and digits only: Windows orders names upper-cased, Wine
    // lower-cased, which differ only for the characters between 'Z' and 'a'.
    std::vector<std::u16string> expected = {u"10", u"9", u"A0", u"a1", u"Alpha", u"beta", u"gamma", u"Zeta"};
    EXPECT_EQ(Keys(user), expected);
}

TEST_P(RegistryTest, ValuesAreListedInCreationOrder) {
    if (GetParam().name == std::string("Windows") && wintest::RunningUnderWine()) {
        GTEST_SKIP() << "Wine lists values sorted by name; Windows in the order they were created";
    }
    for (const char16_t* name : {u"z", u"a", u"M", u"b"}) {
        ASSERT_EQ(reg->SetValue(Hive::CurrentUser, user, name, RegValue::Dword(1)), 0u);
    }
    EXPECT_EQ(ValueNames(user), (std::vector<std::u16string>{u"z", u"a", u"M", u"b"}));
    // Writing a value again keeps its place; deleting and writing it moves it to the end.
    ASSERT_EQ(reg->SetValue(Hive::CurrentUser, user, u"a", RegValue::Qword(2)), 0u);
    EXPECT_EQ(ValueNames(user), (std::vector<std::u16string>{u"z", u"a", u"M", u"b"}));
    ASSERT_EQ(reg->DeleteValue(Hive::CurrentUser, user, u"a"), 0u);
    ASSERT_EQ(reg->SetValue(Hive::CurrentUser, user, u"a", RegValue::Dword(3)), 0u);
    EXPECT_EQ(ValueNames(user), (std::vector<std::u16string>{u"z", u"M", u"b", u"a"}));
}

TEST_P(RegistryTest, ValueNamesAreMatchedWithoutRegardToCaseAndKeepTheirFirstSpelling) {
    ASSERT_EQ(reg->SetValue(Hive::CurrentUser, user, u"MixedCase", RegValue::Dword(1)), 0u);
    ASSERT_EQ(reg->SetValue(Hive::CurrentUser, user, u"mixedcase", RegValue::Dword(2)), 0u);
    EXPECT_EQ(ValueNames(user), std::vector<std::u16string>{u"MixedCase"});
    RegValue v;
    ASSERT_EQ(reg->QueryValue(Hive::CurrentUser, user, u"MIXEDCASE", v), 0u);
    EXPECT_EQ(v.data, RegValue::Dword(2).data);
    EXPECT_EQ(reg->DeleteValue(Hive::CurrentUser, user, u"mixedCASE"), 0u);
    EXPECT_TRUE(ValueNames(user).empty());
}

TEST_P(RegistryTest, DeleteKeyRefusesAKeyWithSubkeysAndDeleteTreeTakesAll) {
    ASSERT_EQ(reg->SetValue(Hive::CurrentUser, user + u"\\child\\grandchild", u"v", RegValue::Dword(1)), 0u);
    ASSERT_EQ(reg->SetValue(Hive::CurrentUser, user, u"top", RegValue::Dword(1)), 0u);

    EXPECT_EQ(reg->DeleteKey(Hive::CurrentUser, user), err::kAccessDenied);
    EXPECT_EQ(reg->OpenKey(Hive::CurrentUser, user + u"\\child\\grandchild"), 0u);

    // A key with values but no subkeys goes.
    EXPECT_EQ(reg->DeleteKey(Hive::CurrentUser, user + u"\\child\\grandchild"), 0u);
    EXPECT_EQ(reg->OpenKey(Hive::CurrentUser, user + u"\\child\\grandchild"), err::kFileNotFound);
    EXPECT_EQ(reg->OpenKey(Hive::CurrentUser, user + u"\\child"), 0u);

    ASSERT_EQ(reg->CreateKey(Hive::CurrentUser, user + u"\\child\\again\\deeper"), 0u);
    EXPECT_EQ(reg->DeleteTree(Hive::CurrentUser, user), 0u);
    EXPECT_EQ(reg->OpenKey(Hive::CurrentUser, user), err::kFileNotFound);
    EXPECT_EQ(reg->OpenKey(Hive::CurrentUser, u"Software\\QuelloraTests"), 0u);
}

TEST_P(RegistryTest, TheThirtyTwoBitViewOfMachineSoftwareIsRedirected) {
    ASSERT_EQ(reg->SetValue(Hive::LocalMachine, machine, u"v32", RegValue::Dword(32), RegView::Force32), 0u);
    ASSERT_EQ(reg->SetValue(Hive::LocalMachine, machine, u"v64", RegValue::Dword(64), RegView::Force64), 0u);
    RegValue v;
    EXPECT_EQ(reg->QueryValue(Hive::LocalMachine, machine, u"v32", v, RegView::Force32), 0u);
    EXPECT_EQ(reg->QueryValue(Hive::LocalMachine, machine, u"v32", v, RegView::Force64), err::kFileNotFound);
    EXPECT_EQ(reg->QueryValue(Hive::LocalMachine, machine, u"v64", v, RegView::Force32), err::kFileNotFound);
    // A 64-bit program's own view is the 64-bit one; the 32-bit keys live under WOW6432Node.
    EXPECT_EQ(reg->QueryValue(Hive::LocalMachine, machine, u"v64", v), 0u);
    EXPECT_EQ(reg->QueryValue(Hive::LocalMachine, machine32, u"v32", v, RegView::Force64), 0u);
    EXPECT_EQ(v.data, RegValue::Dword(32).data);

    // Deleting in one view leaves the other.
    EXPECT_EQ(reg->DeleteTree(Hive::LocalMachine, machine, RegView::Force32), 0u);
    EXPECT_EQ(reg->OpenKey(Hive::LocalMachine, machine, RegView::Force32), err::kFileNotFound);
    EXPECT_EQ(reg->OpenKey(Hive::LocalMachine, machine, RegView::Force64), 0u);
}

TEST_P(RegistryTest, TheUsersSoftwareKeyIsSharedByBothViews) {
    ASSERT_EQ(reg->SetValue(Hive::CurrentUser, user, u"v", RegValue::Dword(5), RegView::Force32), 0u);
    RegValue v;
    EXPECT_EQ(reg->QueryValue(Hive::CurrentUser, user, u"v", v, RegView::Force64), 0u);
    EXPECT_EQ(reg->QueryValue(Hive::CurrentUser, user, u"v", v), 0u);
}

INSTANTIATE_TEST_SUITE_P(Both, RegistryTest, ::testing::ValuesIn(Kinds()),
                         [](const ::testing::TestParamInfo<RegistryKind>& info) { return info.param.name; });

}  // namespace
}  // namespace quellora
