#include "engine/Log.h"
#include "platform/Files.h"
#include "platform/Utf.h"
#include "tests/support/Pattern.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

class LogFile : public ::testing::Test {
  protected:
    void SetUp() override {
        path = dir.File("log.txt");
        ASSERT_TRUE(LogStart(platform::Utf8ToUtf16(path).c_str()));
    }
    void TearDown() override {
        if (IsLogActive()) LogFinish();
    }
    // The file after the start line and its empty line.
    std::string Body() {
        std::string all = testsupport::ReadFileBytes(path);
        size_t at = all.find("\r\n");
        return at == std::string::npos ? std::string() : all.substr(at + 2);
    }
    testsupport::TempDir dir;
    std::string path;
};

} // namespace

TEST_F(LogFile, StartLineIsPaddedToColumn28WithTheDate) {
    LogFinish();
    const std::string all = testsupport::ReadFileBytes(path);
    EXPECT_TRUE(testsupport::Pattern("LOG STARTED: {16}\\d\\d\\.\\d\\d\\.\\d{4}, \\d\\d:\\d\\d:\\d\\d"
                                     "\r\n\r\nLOG FINISHED\\.")
                    .Matches(all))
        << all;
    EXPECT_FALSE(IsLogActive());
}

TEST_F(LogFile, LabelsArePaddedToColumn28) {
    LogLabelValue(kLogIndent, "System:", "Linux");
    LogLabelValue(kLogIndent, "A label of twenty ch", "v");           // 20 characters: 8 spaces
    LogLabelValue(kLogIndent, "A label of twenty-seven chr", "long"); // 27: one space
    LogLabelValue(kLogIndent, "Alone:", "");
    LogLabelPrintf(kLogIndent, "Mode:", "%dx%d", 800, 600);
    LogLabelChoice(kLogIndent, "Windowed:", true, "Yes", "No");
    LogLabelValueW(kLogIndent, u"Adapter:", u"S\u00e9rie");
    LogLine(2, "plain");
    LogFinish();
    EXPECT_EQ(Body(), "\r\nSystem:                     Linux"
                      "\r\nA label of twenty ch        v"
                      "\r\nA label of twenty-seven chr long"
                      "\r\nAlone:"
                      "\r\nMode:                       800x600"
                      "\r\nWindowed:                   Yes"
                      "\r\nAdapter:                    S\xe9rie"
                      "\r\n  plain"
                      "\r\nLOG FINISHED.");
}

TEST_F(LogFile, SectionsIndentCloseAndCapAt16) {
    LogBeginSection("Outer", "Outer done.", true);
    LogLine(kLogIndent, "in outer");
    LogBeginSection("Replaces", "Replaced done.", false); // closes Outer first
    LogEndSection(false);                                 // no success text, still the empty line
    for (int i = 0; i < 5; ++i)
        LogBeginSection("S", "ok", true);
    LogLine(kLogIndent, "deep");
    LogFinish();
    const std::string body = Body();
    const std::string time = "\\d\\d:\\d\\d:\\d\\d\\.\\d{3}";
    const std::string expected =
        "\r\nOuter {23}" + time + "\r\n    in outer\r\nOuter done\\.\r\n" + "\r\nReplaces {20}" + time +
        "\r\n" + "\r\nS {27}" + time + "\r\n    S {23}" + time + "\r\n        S {19}" + time +
        "\r\n            S {15}" + time + "\r\n {16}S {11}" + time + "\r\n {16}deep" +
        "\r\n {16}ok\r\n {16}" + "\r\n {12}ok\r\n {12}\r\n {8}ok\r\n {8}\r\n {4}ok\r\n {4}\r\nok\r\n" +
        "\r\nLOG FINISHED\\.";
    EXPECT_TRUE(testsupport::Pattern(expected).Matches(body)) << body;
}

TEST_F(LogFile, ErrorsNameTheResultCode) {
    LogError(kLogIndent, "Reset failed: ", kResultDeviceLost);
    LogError(kLogIndent, "Odd: ", MakeResult(0x12345678));
    LogErrorPrintf(kLogIndent, "Proc not found: %s", "D3DXCreateTexture");
    LogFinish();
    EXPECT_EQ(Body(),
              "\r\nERROR! Reset failed: D3DERR_DEVICELOST - The device has been lost but cannot be reset at "
              "this time.\r\nERROR! Odd: Unknown - n/a\r\nERROR! Proc not found: D3DXCreateTexture"
              "\r\nLOG FINISHED.");
}

TEST_F(LogFile, WideErrorTextsAreFormattedAsUtf16AndConverted) {
    LogErrorPrintfW(kLogIndent, u"Font %s: %d px at %.1f%%, %hs, %c|%-4s|%4s|%.2s|%*d|%x", u"Gr\u00fc\u00dfe",
                    -12, 2.5, "narrow", u'\u00e9', u"ab", u"cd", u"xyz", 3, 7, 255u);
    LogErrorPrintfW(kLogIndent, u"%s and %s", nullptr, u"left %q alone");
    const std::u16string huge(2000, u'w');
    LogErrorPrintfW(kLogIndent, u"%s", huge.c_str()); // cut to 1023 units, still terminated
    LogFinish();
    LogErrorPrintfW(kLogIndent, u"after the end");
    EXPECT_EQ(Body(), "\r\nERROR! Font Gr\xfc\xdf"
                      "e: -12 px at 2.5%, narrow, \xe9|ab  |  cd|xy|  7|ff"
                      "\r\nERROR! (null) and left %q alone"
                      "\r\nERROR! " +
                          std::string(1023, 'w') + "\r\nLOG FINISHED.");
}

TEST(ResultNames, EveryResultTheEngineDefinesHasANameAndADescription) {
    const HResult codes[] = {kResultOk, kResultFalse, kResultFail, kResultNotImplemented, kResultNoInterface,
                             kResultPointer, kResultOutOfMemory, kResultInvalidArg,
                             // input devices
                             MakeResult(0x8007001E), MakeResult(0x8007000C), MakeResult(0x80070005),
                             MakeResult(0x80040207), kResultMouseSetupFailed, kResultKeyboardSetupFailed,
                             MakeResult(0xA3E93103), kResultThirdDeviceSetupFailed, kResultInputNotReady,
                             kResultInputNotSetUp,
                             // device, window and helper library
                             kResultDeviceLost, kResultDeviceNotReset, kResultInvalidCall,
                             kResultWasStillDrawing, MakeResult(0x88760B59), kResultCreateDirect3DFailed,
                             kResultEngineDeviceLost, kResultCreateWindowFailed, kResultClientSizeMismatch};
    for (HResult hr : codes) {
        EXPECT_STRNE(GetResultName(hr), "Unknown") << std::hex << uint32_t(hr);
        EXPECT_STRNE(GetResultDescription(hr), "n/a") << std::hex << uint32_t(hr);
    }
    EXPECT_STREQ(GetResultName(MakeResult(0x8007001E)), "DIERR_INPUTLOST");
}

TEST_F(LogFile, PlaceholdersAreRewrittenInPlace) {
    LogLabelValue(kLogIndent, "FPS:", nullptr);
    LogPadToColumn(-1);
    const int fps = LogPlaceholder(8, "?");
    ASSERT_GE(fps, 0);
    LogLine(kLogIndent, "after");
    const auto size = std::filesystem::file_size(path);
    EXPECT_EQ(LogRewrite(fps, false, "%.2f", 59.876), fps);
    EXPECT_EQ(std::filesystem::file_size(path), size);
    EXPECT_NE(testsupport::ReadFileBytes(path).find("FPS:                        59.88   \r\nafter"),
              std::string::npos);
    EXPECT_EQ(LogRewrite(fps, true, "%s", "1234567890123"), -1); // cut to the width, record dropped
    EXPECT_EQ(std::filesystem::file_size(path), size);
    EXPECT_NE(testsupport::ReadFileBytes(path).find("12345678\r\nafter"), std::string::npos);
    EXPECT_EQ(LogRewrite(fps, false, "x"), -1);

    EXPECT_EQ(LogPlaceholder(0, ""), -1);
    const int wide = LogPlaceholder(0, "abc"); // width from the text
    ASSERT_GE(wide, 0);
    EXPECT_EQ(LogForgetPlaceholder(wide), -1);
    EXPECT_EQ(LogRewrite(wide, false, "x"), -1);

    // A rewrite longer than its buffer stays terminated and is cut to the width.
    const int big = LogPlaceholder(600, "");
    ASSERT_GE(big, 0);
    std::string huge(2000, 'z');
    EXPECT_EQ(LogRewrite(big, false, "%s", huge.c_str()), big);
    LogFinish();
    const std::string all = testsupport::ReadFileBytes(path);
    EXPECT_NE(all.find(std::string(512, 'z') + "\r\nLOG FINISHED."), std::string::npos);
    EXPECT_EQ(all.find(std::string(513, 'z')), std::string::npos);
}

TEST_F(LogFile, AnEntryPutAtItsNameTakesNothingAndAFinishedLogIsSilent) {
    std::filesystem::remove(path);
    std::filesystem::create_symlink(dir.File("outside.txt"), path);
    LogLine(kLogIndent, "lost");
    EXPECT_GE(LogPlaceholder(5, "x"), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.File("outside.txt")));
    std::filesystem::remove(path);
    LogFinish();
    EXPECT_EQ(LogPlaceholder(5, "x"), -1);
    EXPECT_EQ(LogRewrite(0, false, "x"), -1);
    LogLine(kLogIndent, "ignored");
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(LogStartup, UncreatableFileLeavesTheLogInactive) {
    testsupport::TempDir dir;
    const std::string path = dir.File("missing/folder/log.txt");
    EXPECT_FALSE(LogStart(platform::Utf8ToUtf16(path).c_str()));
    EXPECT_FALSE(IsLogActive());
    LogLine(kLogIndent, "nothing");
    EXPECT_EQ(LogPlaceholder(3, "x"), -1);
}

TEST(LogStartup, RelativePathsAreTakenFromTheProgramsFolder) {
    const std::string file =
        platform::NativePath(platform::GamePath(platform::ModuleFolder() + u"\\log-relative.txt"));
    std::filesystem::remove(file);
    ASSERT_TRUE(LogStart(u"log-relative.txt"));
    LogFinish();
    EXPECT_TRUE(std::filesystem::exists(file));
    std::filesystem::remove(file);
}
