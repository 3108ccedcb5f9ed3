// The operations behind the one-shot switches and the interactive start, each
// answering the process exit code.
#pragma once

namespace quellora {

int RunSelfTest();                   // /selftest
int RunPowerSettingsProbe(bool write);  // /armprobe [/write]
int BackupPlans();                   // /backupplans
int AskDeletePlanBackups();          // /askdeleteplanbackups
int RunDriftCheckReport();           // /driftcheck
int TerminateAllInstances();         // /terminate
int UninstallCleanup();              // /uninstall
int PostUpdateFixup();               // /update
int RunInteractiveStart();           // no switch

}  // namespace quellora
