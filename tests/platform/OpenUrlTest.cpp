#include "platform/OpenUrl.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>

TEST(OpenUrl, OnlyHttpAndHttpsAddressesAreWebAddresses) {
    struct Case {
        const char* address;
        bool web;
    };
    const Case cases[] = {
        {"http://example.org/", true},
        {"HTTPS://Example.org/a?b=c&d", true},
        {"https://x", true},
        {"http://", false},
        {"https://", false},
        {"ftp://example.org/", false},
        {"file:///etc/passwd", false},
        {"javascript:alert(1)", false},
        {"http://a b/", false},
        {"http://a\nb/", false},
        {"", false},
        {"-http://x", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::IsWebAddress(c.address), c.web) << c.address;
}

TEST(OpenUrl, TheHandlerGetsTheAddressAsOneArgumentWithoutAShell) {
    testsupport::TempDir dir;
    const std::string out = dir.File("args.txt");
    // A stand-in for xdg-open that writes its arguments, one per line.
    const std::string script = dir.File("xdg-open");
    ASSERT_TRUE(testsupport::WriteFileBytes(
        script, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> '" + out + "'; done\nexit 0\n"));
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    const char* oldPath = std::getenv("PATH");
    const std::string savedPath = oldPath ? oldPath : "";
    setenv("PATH", (dir.Path().string() + ":" + savedPath).c_str(), 1);

    const std::string tricky = "https://example.org/?q=$(touch${IFS}" + dir.File("pwned") + ");x=`id`&y=1|z";
    EXPECT_TRUE(platform::OpenWebAddress(tricky));
    EXPECT_FALSE(platform::OpenWebAddress("file:///etc/passwd"));
    setenv("PATH", savedPath.c_str(), 1);

    EXPECT_EQ(testsupport::ReadFileBytes(out), tricky + "\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("pwned")));
}

TEST(OpenUrl, AHandlerThatKeepsRunningDoesNotHoldTheGameBack) {
    testsupport::TempDir dir;
    // A stand-in for xdg-open that keeps the browser in the foreground.
    const std::string script = dir.File("xdg-open");
    const std::string pidFile = dir.File("pid");
    ASSERT_TRUE(testsupport::WriteFileBytes(script, "#!/bin/sh\necho $$ > '" + pidFile +
                                                        "'\nexec sleep 30 >/dev/null 2>&1\n"));
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    const char* oldPath = std::getenv("PATH");
    const std::string savedPath = oldPath ? oldPath : "";
    setenv("PATH", (dir.Path().string() + ":" + savedPath).c_str(), 1);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(platform::OpenWebAddress("https://example.org/"));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    setenv("PATH", savedPath.c_str(), 1);
    EXPECT_LT(elapsed, std::chrono::seconds(10));
    const pid_t handler = static_cast<pid_t>(std::atoi(testsupport::ReadFileBytes(pidFile).c_str()));
    ASSERT_GT(handler, 0);
    kill(handler, SIGTERM);
}
