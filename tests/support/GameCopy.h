#pragma once
// A copy of the built game in a fresh folder (the program and its Data
// folder) with a per-user folder of its own, for tests that run the program.
#include "tests/support/TempDir.h"

#include <functional>
#include <string>
#include <thread>

namespace testsupport {

// The folder of the built program (VB_BINARY_DIR/game), empty when unset.
std::string BuiltProgramFolder();

// Runs the command through the shell; its exit status (-1 when it did not
// exit normally), with standard output and error added to output.
int RunCommand(const std::string& command, std::string* output);

// The level table a copy plays: the sample campaign's, or the program tests'
// own layouts (tests/content/scenario-levels.txt) in place of the campaign's
// levels 31-38, from the Data.dat the build writes into ScenarioData beside
// the program.
enum class LevelData { Campaign, Scenarios };

class GameCopy {
  public:
    explicit GameCopy(LevelData levels = LevelData::Campaign);
    std::string Game() const { return dir_.File(gameName_); }
    // Renames the copy's program folder (made as "game").
    void RenameGame(const std::string& name);
    // The per-user data folder the copy is given (XDG_DATA_HOME).
    std::string Home() const { return home_; }
    void SetHome(const std::string& home) { home_ = home; }
    std::string User() const { return home_ + "/Quenmoor/Verbolunde"; }
    std::string Log() const { return ReadFileBytes(User() + "/log.txt"); }
    std::string File(const std::string& name) const { return dir_.File(name); }
    // The copy's own folder, which holds the game, its home and any files a test adds.
    std::string Root() const { return dir_.Path().string(); }
    // From now on the game runs as nobody when the tests run as root, who
    // reads every file; the copy's folder and what its home holds are nobody's.
    void RunAsOrdinaryUser();
    // The shell command that starts the copy's game with the arguments.
    std::string Command(const std::string& arguments) const;
    int Run(const std::string& arguments, std::string* output) const {
        return RunCommand(Command(arguments), output);
    }
    // The same for the showcase program built beside the game (the game with
    // the test screens of the layers below it in the main screen's place),
    // which shares the copy's Data folder and per-user folder. It is copied
    // in the first time a command is made for it.
    std::string ShowcaseCommand(const std::string& arguments) const;
    int RunShowcase(const std::string& arguments, std::string* output) const {
        return RunCommand(ShowcaseCommand(arguments), output);
    }

  private:
    TempDir dir_;
    std::string gameName_ = "game";
    std::string home_;
    std::string runAs_; // the command's prefix that drops root's rights
};

// Runs `then` on a thread of its own once the copy's log holds `text` (at
// most a minute on): a change the running game meets after its start.
std::thread WhenLogged(const GameCopy& game, std::string text, std::function<void()> then);

} // namespace testsupport
