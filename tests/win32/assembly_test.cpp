// The platform quellora.exe runs on.
#include <gtest/gtest.h>

#include "platform/assembly.h"
#include "platform/errors.h"

namespace quellora {
namespace {

TEST(Win32Assembly, BindsEveryPlatformResource) {
    std::unique_ptr<PlatformAssembly> assembly = AssemblePlatform();
    ASSERT_NE(assembly, nullptr);
    const Platform& p = assembly->platform;
    EXPECT_NE(p.registry, nullptr);
    EXPECT_NE(p.power, nullptr);
    EXPECT_NE(p.system, nullptr);
    EXPECT_NE(p.folders, nullptr);
    EXPECT_NE(p.clock, nullptr);
    EXPECT_NE(p.console, nullptr);
    EXPECT_NE(p.processes, nullptr);
    EXPECT_NE(p.modules, nullptr);
    EXPECT_NE(p.interaction, nullptr);
#ifdef QUELLORA_SIMULATED_MACHINE
    // The simulated machine answers the whole power API, kept in Windows' registry.
    ASSERT_NE(assembly->machine, nullptr);
    EXPECT_TRUE(p.power->Has(PowerApi::Fn::ReadACValueIndex));
    Guid active;
    EXPECT_EQ(p.power->GetActiveScheme(active), err::kSuccess);
    EXPECT_FALSE(active.IsNull());
    EXPECT_EQ(p.registry->OpenKey(Hive::LocalMachine, u"SOFTWARE\\QuelloraSimulatedMachine"), err::kSuccess);
#else
    EXPECT_EQ(assembly->machine, nullptr);
#endif
}

}  // namespace
}  // namespace quellora
