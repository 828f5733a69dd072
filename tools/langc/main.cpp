#include "tools/langc/LangCompiler.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return langc::Run(args, stdout, stderr);
}
