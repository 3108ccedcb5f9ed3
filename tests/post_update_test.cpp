#include <gtest/gtest.h>

#include "app/switches.h"
#include "platform/registry_helpers.h"
#include "power/power_scheme_access.h"
#include "tests/support/sim_env.h"

namespace quellora {
namespace {

using testing::SimEnv;

TEST(PostUpdate, ShowsCoreParkingAgainOnlyWhenTheUserShowedIt) {
    struct Case {
        std::u16string layout;
        bool shown;          // the user made CPMINCORES visible before the update
        size_t commands;     // powercfg runs
    };
    const Case cases[] = {
        {u"hybrid-laptop", false, 0},  // hidden: nothing is done
        {u"hybrid-laptop", true, 1},   // class 0 only: no class choice on Windows 11
        {u"intel12-win10", true, 2},   // class 1 too where the class choice is offered
    };
    for (const auto& c : cases) {
        SimEnv env(c.layout);
        WriteDword(Hive::LocalMachine, ProcessorSettingKey(guids::kCoreParkingMin0), u"Attributes", c.shown ? 2 : 1);
        EXPECT_EQ(PostUpdateFixup(), 0);
        auto log = env.processes().StartedCommandLines();
        ASSERT_EQ(log.size(), c.commands);
        const std::u16string expected[] = {u"0CC5B647-C1DF-4637-891A-DEC35C318583 -ATTRIB_HIDE",
                                           u"0CC5B647-C1DF-4637-891A-DEC35C318584 -ATTRIB_HIDE"};
        for (size_t i = 0; i < log.size(); ++i) {
            EXPECT_NE(log[i].find(expected[i]), std::u16string::npos);
        }
    }
}

}  // namespace
}  // namespace quellora
