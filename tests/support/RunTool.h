#pragma once
// Running a built program from a test, the way a user runs it from a shell.
#include "tests/support/TempDir.h"

#include <string>

namespace testsupport {

// What a run left: the exit status (-1 when the program did not exit by
// itself) and what it wrote to standard output and standard error.
struct ToolRun {
    int status;
    std::string out, err;
};

// Runs `program` with `args` (a shell argument line) and catches its output in
// files of `dir`.
ToolRun RunTool(const std::string& program, const TempDir& dir, const std::string& args);
// Runs `program` with `args`, its output thrown away; returns the exit status
// (-1 when the program did not exit by itself).
int RunToolStatus(const std::string& program, const std::string& args);
// A path in single quotes, for an argument line (the path may hold no quote).
std::string Quote(const std::string& path);

} // namespace testsupport
