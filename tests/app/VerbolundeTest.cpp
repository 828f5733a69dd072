#include "platform/ImageDecode.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

std::string ProgramPath() {
    const char* dir = std::getenv("VB_BINARY_DIR");
    return dir ? std::string(dir) + "/app/verbolunde" : std::string();
}

// Runs the command through the shell; its exit status, with stderr captured.
int RunCommand(const std::string& command, std::string* output) {
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return -1;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe))
        *output += buffer;
    int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(Verbolunde, HeadlessRunWritesTheLastFrame) {
    const std::string program = ProgramPath();
    ASSERT_FALSE(program.empty()) << "VB_BINARY_DIR is not set";
    const std::string png = "verbolunde_headless_" + std::to_string(getpid()) + ".png";
    std::remove(png.c_str());

    std::string output;
    ASSERT_EQ(RunCommand(program + " --headless --frames 10 --screenshot " + png, &output), 0) << output;

    std::ifstream file(png, std::ios::binary);
    ASSERT_TRUE(file) << "no screenshot written";
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    platform::DecodedPicture picture;
    std::string error;
    ASSERT_TRUE(platform::DecodePicture(bytes.data(), bytes.size(), &picture, &error)) << error;
    ASSERT_EQ(picture.width, 800);
    ASSERT_EQ(picture.height, 600);
    auto at = [&](int x, int y) { return picture.pixels[size_t(y) * 800 + size_t(x)] & 0xFFFFFF; };
    EXPECT_EQ(at(10, 10), 0x87CEEBu);   // sky
    EXPECT_EQ(at(400, 500), 0x3C8C2Du); // field from y 400
    EXPECT_EQ(at(400, 399), 0x87CEEBu);
    EXPECT_EQ(at(100, 300), 0xB5452Au); // barn's top-left pixel
    EXPECT_EQ(at(99, 300), 0x87CEEBu);
    EXPECT_EQ(at(200, 370), 0x5A2A14u); // barn door
    EXPECT_EQ(at(620, 155), 0xF2C230u); // the turning sun, below the cloud
    std::remove(png.c_str());
}

TEST(Verbolunde, WithoutDisplaySaysSoAndFails) {
    const std::string program = ProgramPath();
    ASSERT_FALSE(program.empty()) << "VB_BINARY_DIR is not set";
    std::string output;
    int status = RunCommand("env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER " + program + " --frames 3", &output);
    EXPECT_NE(status, 0);
    EXPECT_NE(output.find("--headless"), std::string::npos) << output;
}
