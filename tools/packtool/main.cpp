#include "tools/packtool/PackTool.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return packtool::Run(args, stdout, stderr);
}
