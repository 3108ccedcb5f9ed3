#include <gtest/gtest.h>

#include "model/plan_json.h"
#include "platform/text.h"

namespace quellora {
namespace {

constexpr Guid kPerfCheck = GuidLiteral("4d2b0152-7d5c-498b-88e2-34345392a2c5");

PlanSettings ExampleModel() {
    PlanSettings s;
    s.plan = guids::kBalanced;
    s.planName = u"Balanced";
    s.ac.advanced = {{kPerfCheck, 15}};
    s.ac.coreParkingMin = {{0, 100}, {1, 50}};
    s.ac.hasHetero = true;
    s.ac.heteroLongPolicy = 2;
    s.ac.heteroPolicy = 4;
    s.ac.heteroShortPolicy = 1;
    s.ac.minFrequency = {{0, 5}};
    s.dc.coreParkingMin = {{0, 100}};
    return s;
}

const char kExample[] = R"({
  "ac": {
    "advanced": {
      "{4D2B0152-7D5C-498B-88E2-34345392A2C5}": 15
    },
    "coreParkingMin": {
      "0": 100,
      "1": 50
    },
    "hetero": {
      "long": 2,
      "policy": 4,
      "short": 1
    },
    "minFrequency": {
      "0": 5
    }
  },
  "dc": {
    "advanced": {},
    "coreParkingMin": {
      "0": 100
    },
    "minFrequency": {}
  },
  "format": 1,
  "plan": "{381B4222-F694-41F0-9685-FF5BB260DF2E}",
  "planName": "Balanced"
})";

TEST(PlanJson, WritesTheStoredFormatByteForByte) { EXPECT_EQ(ToJson(ExampleModel()), kExample); }

TEST(PlanJson, RoundTripKeepsEveryValueAndTheName) {
    PlanSettings s = ExampleModel();
    s.planName = u"Höchstleistung – 日本語 😀";
    s.ac.minFrequency[-3] = 4294967295u;
    PlanSettings back;
    ASSERT_TRUE(FromJson(ToJson(s), back));
    EXPECT_TRUE(Equals(back, s));
    EXPECT_EQ(back.plan, s.plan);
    EXPECT_EQ(back.planName, s.planName);
    EXPECT_NE(ToJson(s).find("\"-3\": 4294967295"), std::string::npos);
    EXPECT_EQ(ToJson(s).find("\\u"), std::string::npos);  // non-ASCII is written as it is
}

struct Case {
    const char* name;
    std::string text;
    bool accepted;
};

const std::string kSides = R"("ac":{},"dc":{})";
const std::string kPlan = R"("plan":"{12345678-1234-5678-9ABC-DEF012345678}")";

const Case kCases[] = {
    {"malformed", "{ not json", false},
    {"top level not an object", "[1,2]", false},
    {"unknown format", "{\"format\":99," + kPlan + "," + kSides + "}", false},
    {"format 1", "{\"format\":1," + kPlan + "," + kSides + "}", true},
    {"format 1.0", "{\"format\":1.0," + kPlan + "," + kSides + "}", true},
    {"format as text", "{\"format\":\"1\"," + kPlan + "," + kSides + "}", false},
    {"format missing", "{" + kPlan + "," + kSides + "}", false},
    {"bad plan", "{\"format\":1,\"plan\":\"nope\"," + kSides + "}", false},
    {"plan missing", "{\"format\":1," + kSides + "}", false},
    {"plan not text", "{\"format\":1,\"plan\":5," + kSides + "}", false},
    {"bare lower-case plan", "{\"format\":1,\"plan\":\"381b4222-f694-41f0-9685-ff5bb260df2e\"," + kSides + "}", true},
    {"planName not text", "{\"format\":1," + kPlan + ",\"planName\":3," + kSides + "}", false},
    {"dc missing", "{\"format\":1," + kPlan + ",\"ac\":{}}", false},
    {"side not an object", "{\"format\":1," + kPlan + ",\"ac\":{},\"dc\":[]}", false},
    {"hetero not an object is ignored", "{\"format\":1," + kPlan + ",\"ac\":{\"hetero\":5},\"dc\":{}}", true},
    {"hetero value not a number", "{\"format\":1," + kPlan + ",\"ac\":{\"hetero\":{\"policy\":\"x\"}},\"dc\":{}}", false},
    {"advanced alias key", "{\"format\":1," + kPlan + ",\"ac\":{\"advanced\":{\"PERFCHECK\":1}},\"dc\":{}}", false},
    {"advanced lower-case braced key",
     "{\"format\":1," + kPlan + ",\"ac\":{\"advanced\":{\"{4d2b0152-7d5c-498b-88e2-34345392a2c5}\":1}},\"dc\":{}}", true},
    {"class map as a number", "{\"format\":1," + kPlan + ",\"ac\":{\"coreParkingMin\":5},\"dc\":{}}", false},
    {"class map as text", "{\"format\":1," + kPlan + ",\"ac\":{\"minFrequency\":\"x\"},\"dc\":{}}", false},
    {"class map as a non-empty array", "{\"format\":1," + kPlan + ",\"ac\":{\"coreParkingMin\":[1]},\"dc\":{}}", false},
    {"class map null or empty array", "{\"format\":1," + kPlan + ",\"ac\":{\"coreParkingMin\":null,\"advanced\":[]},\"dc\":{}}", true},
    {"class key without digits", "{\"format\":1," + kPlan + ",\"ac\":{\"coreParkingMin\":{\"x\":1}},\"dc\":{}}", false},
    {"class key out of range", "{\"format\":1," + kPlan + ",\"ac\":{\"coreParkingMin\":{\"2147483648\":1}},\"dc\":{}}", false},
    {"class value as text", "{\"format\":1," + kPlan + ",\"ac\":{\"coreParkingMin\":{\"0\":\"5\"}},\"dc\":{}}", false},
    {"class value too large a number", "{\"format\":1," + kPlan + ",\"ac\":{\"coreParkingMin\":{\"0\":1e300}},\"dc\":{}}", false},
    {"unknown keys are ignored", "{\"format\":1,\"x\":[]," + kPlan + ",\"ac\":{\"y\":1},\"dc\":{}}", true},
    {"nesting far too deep", "{\"format\":1," + kPlan + "," + kSides + ",\"x\":" + std::string(100, '[') + std::string(100, ']') + "}", false},
};

class PlanJsonCases : public ::testing::TestWithParam<Case> {};

TEST_P(PlanJsonCases, AcceptsOrRefusesAllOrNothing) {
    const Case& c = GetParam();
    PlanSettings target = ExampleModel();
    const std::string before = ToJson(target);
    EXPECT_EQ(FromJson(c.text, target), c.accepted);
    if (!c.accepted) {
        EXPECT_EQ(ToJson(target), before);  // a refused document changes nothing
    }
}

INSTANTIATE_TEST_SUITE_P(FromJson, PlanJsonCases, ::testing::ValuesIn(kCases), [](const auto& info) {
    std::string name = info.param.name;
    for (auto& ch : name) ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
    return name;
});

TEST(PlanJson, ValueRules) {
    PlanSettings s;
    ASSERT_TRUE(FromJson(R"({"format":1,"plan":"{381b4222-f694-41f0-9685-ff5bb260df2e}","planName":"x",
        "ac":{"coreParkingMin":{"01":7," 1":8,"2abc":true},"minFrequency":{"0":12.9},"hetero":{}},
        "dc":{"advanced":{"4d2b0152-7d5c-498b-88e2-34345392a2c5":false}}})",
                         s));
    EXPECT_EQ(s.plan, guids::kBalanced);
    // "01" and " 1" are both class 1: the later key in key order wins (" 1" sorts first).
    EXPECT_EQ(s.ac.coreParkingMin.at(1), 7u);
    EXPECT_EQ(s.ac.coreParkingMin.at(2), 1u);
    EXPECT_EQ(s.ac.minFrequency.at(0), 12u);
    EXPECT_TRUE(s.ac.hasHetero);
    EXPECT_EQ(s.ac.heteroPolicy + s.ac.heteroShortPolicy + s.ac.heteroLongPolicy, 0u);
    EXPECT_FALSE(s.dc.hasHetero);
    EXPECT_EQ(s.dc.advanced.at(kPerfCheck), 0u);
}

TEST(PlanJson, AdvancedEntriesOfTheFiveFieldSettingsAreDropped) {
    PlanSettings read;
    ASSERT_TRUE(FromJson("{\"format\":1," + kPlan +
                             ",\"ac\":{\"coreParkingMin\":{\"0\":10},\"advanced\":{"
                             "\"{0CC5B647-C1DF-4637-891A-DEC35C318583}\":50,\"{0CC5B647-C1DF-4637-891A-DEC35C318584}\":1,"
                             "\"{7F2F5CFA-F10C-4823-B5E1-E93AE85F46B5}\":2,\"{93B8B6DC-0698-4D1C-9EE4-0644E900C85D}\":3,"
                             "\"{BAE08B81-2D5E-4688-AD6A-13243356654B}\":4,\"{4D2B0152-7D5C-498B-88E2-34345392A2C5}\":15}},"
                             "\"dc\":{}}",
                         read));
    EXPECT_EQ(read.ac.coreParkingMin, (std::map<int32_t, uint32_t>{{0, 10}}));
    EXPECT_EQ(read.ac.advanced, (std::map<Guid, uint32_t>{{GuidLiteral("4d2b0152-7d5c-498b-88e2-34345392a2c5"), 15}}));
    // A dropped entry still has to be a valid one.
    EXPECT_FALSE(FromJson("{\"format\":1," + kPlan +
                              ",\"ac\":{\"advanced\":{\"{0CC5B647-C1DF-4637-891A-DEC35C318583}\":\"x\"}},\"dc\":{}}",
                          read));
}

TEST(PlanJson, EmptyFormatOneDocumentGivesAnEmptyModel) {
    PlanSettings s = ExampleModel();
    ASSERT_TRUE(FromJson("{\"format\":1," + kPlan + "," + kSides + "}", s));
    EXPECT_EQ(GuidToText(s.plan), u"{12345678-1234-5678-9ABC-DEF012345678}");
    EXPECT_EQ(s.planName, u"");
    EXPECT_TRUE(s.ac.coreParkingMin.empty() && s.dc.advanced.empty() && !s.ac.hasHetero);
}

}  // namespace
}  // namespace quellora
