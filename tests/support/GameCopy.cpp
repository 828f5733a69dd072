#include "tests/support/GameCopy.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

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

void GameCopy::RunAsOrdinaryUser() {
    if (geteuid() != 0) return;
    runAs_ = "setpriv --reuid=65534 --regid=65534 --clear-groups "; // nobody
    EXPECT_EQ(chown(Root().c_str(), 65534, 65534), 0);
    for (const auto& entry : fs::recursive_directory_iterator(home_))
        EXPECT_EQ(lchown(entry.path().c_str(), 65534, 65534), 0) << entry.path();
}

std::string GameCopy::Command(const std::string& arguments) const {
    return runAs_ + "env XDG_DATA_HOME='" + home_ + "' '" + Game() + "/verbolunde' " + arguments;
}

std::string GameCopy::ShowcaseCommand(const std::string& arguments) const {
    const std::string program = Game() + "/verbolunde-showcase";
    if (!fs::exists(program)) LinkOrCopy(BuiltProgramFolder() + "/verbolunde-showcase", program);
    return "env XDG_DATA_HOME='" + home_ + "' '" + program + "' " + arguments;
}

std::thread WhenLogged(const GameCopy& game, std::string text, std::function<void()> then) {
    return std::thread([&game, text = std::move(text), then = std::move(then)] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        while (game.Log().find(text) == std::string::npos && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        then();
    });
}

} // namespace testsupport
