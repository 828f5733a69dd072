#include "tests/support/GameCopy.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace testsupport {

std::string BuiltProgramFolder() {
    const char* dir = std::getenv("VB_BINARY_DIR");
    return dir ? std::string(dir) + "/game" : std::string();
}

int RunCommand(const std::string& command, std::string* output) {
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return -1;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe))
        *output += buffer;
    int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

namespace {

// A link opens no file for writing: a copy's descriptor, inherited by a
// program another thread starts meanwhile, would keep the program from being
// run ("text file busy"), and the link takes no room. A copy where the
// folders' file systems cannot link.
void LinkOrCopy(const std::string& from, const std::string& to) {
    std::error_code error;
    fs::create_hard_link(from, to, error);
    if (error) fs::copy_file(from, to);
}

} // namespace

GameCopy::GameCopy(LevelData levels) : home_(dir_.File("home")) {
    const std::string built = BuiltProgramFolder();
    EXPECT_FALSE(built.empty()) << "VB_BINARY_DIR is not set";
    fs::create_directories(Game());
    LinkOrCopy(built + "/verbolunde", Game() + "/verbolunde");
    fs::copy(built + "/Data", Game() + "/Data", fs::copy_options::recursive);
    if (levels == LevelData::Scenarios)
        fs::copy_file(built + "/ScenarioData/Data.dat", Game() + "/Data/Data.dat",
                      fs::copy_options::overwrite_existing);
}

void GameCopy::RenameGame(const std::string& name) {
    fs::rename(Game(), dir_.File(name));
    gameName_ = name;
}

std::string GameCopy::Command(const std::string& arguments) const {
    return "env XDG_DATA_HOME='" + home_ + "' '" + Game() + "/verbolunde' " + arguments;
}

std::string GameCopy::ShowcaseCommand(const std::string& arguments) const {
    const std::string program = Game() + "/verbolunde-showcase";
    if (!fs::exists(program)) LinkOrCopy(BuiltProgramFolder() + "/verbolunde-showcase", program);
    return "env XDG_DATA_HOME='" + home_ + "' '" + program + "' " + arguments;
}

} // namespace testsupport
