#pragma once
// play.url beside the program: the address the game opens when it ends.

#include <string>
#include <string_view>

// The address a play.url file holds: the value of key "URL" in section
// "[InternetShortcut]" (the Windows link-file form; names ignore case),
// else the file's first line; trimmed, empty when there is none. A UTF-8
// byte-order mark is skipped.
std::string PlayUrlAddress(std::string_view fileText);

// Reads play.url in the folder and, when it holds a web address (http or
// https), opens it. True when an address was handed to the desktop.
bool OpenPlayUrl(const std::u16string& folder);
