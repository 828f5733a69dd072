#pragma once
// packtool: builds, lists and takes apart data-file containers.

#include <cstdio>
#include <string>
#include <vector>

namespace packtool {

// Runs one command (args without the program name); the exit status:
// 0 done, 1 failed (one line on err), 2 bad usage.
int Run(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

} // namespace packtool
