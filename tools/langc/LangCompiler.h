#pragma once
// langc: compiles a language source (a text-data document, or a spreadsheet
// saved as XML when the extension is ".xml") into the compiled language file.

#include <cstdio>
#include <string>
#include <vector>

namespace langc {

// Exit statuses.
enum : int { kDone = 0, kCompileFailed = 1, kBadUsage = 2, kSourceUnreadable = 3 };

// Runs one compile (args without the program name: source, output). On a
// failed compile one line on err names the step code and the step.
int Run(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

} // namespace langc
