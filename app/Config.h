#pragma once
// The settings: config.dat in the per-user folder (screen parameters and
// sound settings, written by the game) and config.ini beside the program
// (written by hand; its entries win over config.dat).
//
// config.dat: a data file (ids in foundation/ConfigFileIds.h) with one chunk
// holding the 28-byte screen-parameter record and one holding the 16-byte
// sound-settings record.
//
// config.ini:
//   [Video] Fullscreen=0|1  Window=<w>,<h>  Screen=<w>,<h>  VSync=0|1  RefreshRate=<Hz>
//   [Game]  Cheats=0|1
//   [Path]  Language=<language file, relative to the Data folder>

#include "app/GameScreen.h"
#include "foundation/ConfigFileIds.h"

#include <cstdint>
#include <string>

class SoundManager;

// Where the settings files are: the per-user folder and the program's folder.
void SetConfigFolders(const std::u16string& userFolder, const std::u16string& programFolder);
std::u16string ConfigDatPath();
std::u16string ConfigIniPath();

// Fills out from the screen's record, then reads config.dat over it (taking
// the screen's record again when that chunk cannot be read whole) and hands
// a whole sound-settings chunk to the sound manager. A missing file or chunk
// leaves the defaults. False when the file's path is too long, or when the
// file does not open now for a passing cause (too many files open, no
// memory): it is left as it is, and the start does not write it over with
// the defaults.
bool LoadConfig(ScreenParams* out, const GameScreen& screen, SoundManager& sound);
// Writes config.dat (through a backup file) from the screen's record and the
// sound manager's settings. False when it could not be written; `stuck`
// then names an entry in its way the folder did not let it set aside, and
// `cause` says why where the system does ("the disk is full").
bool SaveConfig(const GameScreen& screen, const SoundManager& sound, std::u16string* stuck = nullptr,
                std::string* cause = nullptr);

// The entries of config.ini that are present, over the given values.
struct ConfigIni {
    bool cheats = false;
    std::u16string language; // empty: none given
};
void ReadConfigIni(const std::u16string& iniPath, ScreenParams* params, ConfigIni* out);

// The language file: the "-lang" argument, else Path/Language of config.ini,
// else "language.dat".
std::u16string ChooseLanguageFile(const std::u16string& commandLine, const ConfigIni& ini);
