// Runs a built program of the host build as a user would, and captures what it prints.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace quellora::testing {

struct ProgramResult {
    int exitCode = -1;
    std::string out;  // standard output, byte for byte
    std::string err;  // standard error
};

// `program` is a file name in the build folder ("quellora", "quellora-sim") or an absolute path.
// `environment` entries are added to (or replace) the test's environment.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::map<std::string, std::string>& environment = {});

// Copies the program and its language modules into `folder` (so that what it
// writes beside itself stays there); answers the copy's path.
std::string CopyProgramTo(const std::string& folder);

std::string BuildDir();
std::string SourceDir();

}  // namespace quellora::testing
