#include "tests/support/RunTool.h"

#include <cstdlib>
#include <sys/wait.h>

namespace testsupport {

namespace {

int ExitStatus(const std::string& command) {
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

} // namespace

ToolRun RunTool(const std::string& program, const TempDir& dir, const std::string& args) {
    const std::string out = dir.File("stdout"), err = dir.File("stderr");
    const int status = ExitStatus(Quote(program) + " " + args + " >" + Quote(out) + " 2>" + Quote(err));
    return {status, ReadFileBytes(out), ReadFileBytes(err)};
}

int RunToolStatus(const std::string& program, const std::string& args) {
    return ExitStatus(Quote(program) + " " + args + " >/dev/null 2>&1");
}

std::string Quote(const std::string& path) {
    return "'" + path + "'";
}

} // namespace testsupport
