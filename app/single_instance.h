// One interactive instance per desktop: a second start hands over to the
// first; the program restarts itself; `/terminate` stops every instance.
#pragma once

#include <string_view>

namespace quellora {

// Finds a running instance's tray window. With `restartRequested` (the
// command line holds "/restart") it first waits up to 50 × 100 ms for that
// window to go, and answers false once it has gone. Otherwise, or when it
// stays, the instance is asked to open its main window (what a left click on
// its icon does) and true is answered: the caller exits with 0.
bool HandOverToRunningInstance(bool restartRequested);

// Starts `executable` (in double quotes, then a blank and the arguments when
// there are any) in `directory`, detached in a process group of its own;
// true when the process was created.
bool StartProgram(std::u16string_view executable, std::u16string_view arguments, std::u16string_view directory);

// Takes the running instance's icon away, starts this program again with
// "/restart" and ends this process at once with exit code 1, without an
// orderly shutdown (on Windows it does not return).
void RestartProgram();

// `/terminate`: signals the shutdown event, looks at the process list four
// times, waiting a second after each look that still finds another instance,
// then terminates those of the last look (never this process). Exit code 0.
int TerminateAllInstances();

}  // namespace quellora
