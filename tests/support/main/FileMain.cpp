// The main of a folder's test program (cmake/Verbolunde.cmake, vb_tests): one
// program holds the tests of every file of its folder, and each file's tests
// run as a CTest entry of their own, in a process of their own:
//   tests_game --vb_test_file=MapScenarioTest.cpp
// runs only the tests defined in MapScenarioTest.cpp. The file is the one each
// test was defined in (GoogleTest records it), so two files may share a suite
// name. A --gtest_filter given with it still applies, to that file's tests.
// Without --vb_test_file the program runs every test of the folder.
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

constexpr char kFileFlag[] = "--vb_test_file=";

// The last component of a path as the compiler wrote it into __FILE__.
std::string FileName(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

} // namespace

int main(int argc, char** argv) {
    std::string file;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], kFileFlag, sizeof kFileFlag - 1) == 0)
            file = argv[i] + sizeof kFileFlag - 1;
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    argv[argc] = nullptr;
    testing::InitGoogleTest(&argc, argv);
    if (file.empty()) return RUN_ALL_TESTS();

    // The file's tests as patterns: a whole suite when the file holds all of
    // it, else its tests by name; the other files' tests by name.
    const testing::UnitTest& unit = *testing::UnitTest::GetInstance();
    std::string own, others;
    for (int i = 0; i < unit.total_test_suite_count(); ++i) {
        const testing::TestSuite& suite = *unit.GetTestSuite(i);
        std::string ownTests;
        int ownCount = 0;
        for (int j = 0; j < suite.total_test_count(); ++j) {
            const testing::TestInfo& test = *suite.GetTestInfo(j);
            const std::string name = std::string(":") + suite.name() + "." + test.name();
            if (FileName(test.file()) == file)
                ownTests += name, ++ownCount;
            else
                others += name;
        }
        own += ownCount == suite.total_test_count() ? std::string(":") + suite.name() + ".*" : ownTests;
    }
    // A file name that matches no test is a mistake in the build's test list
    // (a renamed file, a misspelt name), not a file that passes.
    if (own.empty()) {
        std::fprintf(stderr, "No test of this program is defined in %s.\n", file.c_str());
        return 1;
    }
    std::string filter = GTEST_FLAG_GET(filter);
    if (filter == "*") {
        filter = own.substr(1);
    } else if (!others.empty()) {
        // A filter of the caller's own: the other files' tests join its
        // negative patterns, which follow its first '-'.
        filter += (filter.find('-') == std::string::npos ? "-" : ":") + others.substr(1);
    }
    GTEST_FLAG_SET(filter, filter);
    return RUN_ALL_TESTS();
}
