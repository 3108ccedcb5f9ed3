#include <gtest/gtest.h>

#include "tests/support/sim_env.h"
#include "tray/logon_task.h"

namespace quellora {
namespace {

using testing::SimEnv;

TEST(LogonTask, DefinitionFieldByField) {
    const TaskDefinition d = LogonTaskDefinition(u"Quellora", u"C:\\Program Files\\Quellora\\quellora.exe", u"/systray", true);
    EXPECT_EQ(d.name, u"Quellora");
    EXPECT_EQ(d.author, u"Ostrima");
    EXPECT_EQ(d.executionTimeLimit, u"PT0S");
    EXPECT_FALSE(d.disallowStartIfOnBatteries);
    EXPECT_FALSE(d.stopIfGoingOnBatteries);
    EXPECT_EQ(d.multipleInstances, 0u);  // TASK_INSTANCES_PARALLEL
    EXPECT_TRUE(d.enabled);
    EXPECT_EQ(d.runLevel, 1u);  // TASK_RUNLEVEL_HIGHEST
    EXPECT_EQ(d.triggerType, 9u);  // TASK_TRIGGER_LOGON
    EXPECT_EQ(d.triggerId, u"Trigger1");
    EXPECT_EQ(d.triggerUserId, u"");  // any user's logon
    EXPECT_EQ(d.actionType, 0u);  // TASK_ACTION_EXEC
    EXPECT_EQ(d.actionPath, u"\"C:\\Program Files\\Quellora\\quellora.exe\"");
    EXPECT_EQ(d.actionArguments, u"/systray");
    EXPECT_EQ(d.registrationFlags, 6u);  // TASK_CREATE_OR_UPDATE
    EXPECT_EQ(d.registrationUserId, u"S-1-5-32-545");  // the built-in Users group
    EXPECT_FALSE(d.hasPassword);
    EXPECT_EQ(d.logonType, 4u);  // TASK_LOGON_GROUP

    EXPECT_EQ(LogonTaskDefinition(u"Quellora", u"C:\\q.exe", u"", false).runLevel, 0u);  // least privilege
    // A path that already begins with a double quote is not quoted again.
    EXPECT_EQ(LogonTaskDefinition(u"Quellora", u"\"C:\\Q R\\quellora.exe\"", u"/systray", true).actionPath,
              u"\"C:\\Q R\\quellora.exe\"");
}

TEST(LogonTask, CreateExistsDeleteOnTheSimulatedScheduler) {
    SimEnv env;
    EXPECT_EQ(LogonTaskExists(kLogonTaskName), 0);
    EXPECT_FALSE(DeleteLogonTask(kLogonTaskName));
    ASSERT_TRUE(CreateLogonTask(kLogonTaskName, u"C:\\Q\\quellora.exe", u"/systray", true));
    EXPECT_EQ(LogonTaskExists(u"QUELLORA"), 1);  // task names are compared without regard to case
    TaskDefinition stored;
    ASSERT_TRUE(sim::SimTaskScheduler::Get(env.machine(), kLogonTaskName, stored));
    EXPECT_EQ(stored, LogonTaskDefinition(kLogonTaskName, u"C:\\Q\\quellora.exe", u"/systray", true));
    ASSERT_TRUE(CreateLogonTask(kLogonTaskName, u"C:\\New\\quellora.exe", u"/systray", true));  // replaced
    ASSERT_TRUE(sim::SimTaskScheduler::Get(env.machine(), kLogonTaskName, stored));
    EXPECT_EQ(stored.actionPath, u"\"C:\\New\\quellora.exe\"");
    EXPECT_TRUE(DeleteLogonTask(kLogonTaskName));
    EXPECT_EQ(LogonTaskExists(kLogonTaskName), 0);
}

TEST(LogonTask, FailsQuietlyWhereTheSchedulerCannot) {
    SimEnv env;
    sim::SimTaskScheduler::SetMode(env.machine(), sim::SchedulerMode::NoLogonTrigger);  // as Wine's
    EXPECT_FALSE(CreateLogonTask(kLogonTaskName, u"C:\\Q\\quellora.exe", u"/systray", true));
    EXPECT_EQ(LogonTaskExists(kLogonTaskName), 0);
    sim::SimTaskScheduler::SetMode(env.machine(), sim::SchedulerMode::Missing);  // before Windows Vista
    EXPECT_FALSE(CreateLogonTask(kLogonTaskName, u"C:\\Q\\quellora.exe", u"/systray", true));
    EXPECT_LT(LogonTaskExists(kLogonTaskName), 1);
    EXPECT_FALSE(DeleteLogonTask(kLogonTaskName));
    env.platform().scheduler = nullptr;
    EXPECT_FALSE(CreateLogonTask(kLogonTaskName, u"C:\\Q\\quellora.exe", u"/systray", true));
    EXPECT_LT(LogonTaskExists(kLogonTaskName), 1);
}

}  // namespace
}  // namespace quellora
