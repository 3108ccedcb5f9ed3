// The host build's process entry: the program on the simulated machine.
#include <memory>
#include <string>
#include <vector>

#include "app/entry.h"
#include "platform/assembly.h"
#include "platform/command_line.h"
#include "platform/host/host_platform.h"
#include "platform/text.h"

int main(int argc, char** argv) {
    using namespace quellora;
    auto assembly = AssemblePlatform();
    SetPlatform(&assembly->platform);
    // Windows hands the program one command line; build it from the arguments.
    std::vector<std::u16string> arguments;
    arguments.push_back(host::HostExecutablePath());
    for (int i = 1; i < argc; ++i) arguments.push_back(Utf8ToUtf16(argv[i]));
    int code = RunEntry(JoinCommandLine(arguments));
    SetPlatform(nullptr);
    return code;
}
