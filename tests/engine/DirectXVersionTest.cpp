#include "engine/DirectXVersion.h"
#include "engine/Log.h"
#include "platform/Utf.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

// A module table and system files for the probes.
std::vector<std::string> gTried;
std::vector<std::string> gPresent;
std::vector<std::string> gProcs;
std::map<std::u16string, uint64_t> gFiles;
const char16_t* gLetter = nullptr;
int gFunction;

void* Load(const char* name) {
    gTried.push_back(name);
    for (const std::string& p : gPresent)
        if (p == name) return &gPresent;
    return nullptr;
}
void* Proc(void*, const char* name) {
    for (const std::string& p : gProcs)
        if (p == name) return &gFunction;
    return nullptr;
}
void Free(void*) {}
bool Diagnostics(uint32_t* major, uint32_t* minor, const char16_t** letter) {
    if (!gLetter) return false;
    *major = 9;
    *minor = 0;
    *letter = gLetter;
    return true;
}
HResult FileVersion(const char16_t* file, uint64_t* version) {
    auto it = gFiles.find(file);
    if (it == gFiles.end()) return kResultFail;
    *version = it->second;
    return kResultOk;
}

const DirectXProbes kProbes = {Diagnostics, FileVersion, Load, Proc, Free};

class DirectXReport : public ::testing::Test {
  protected:
    void SetUp() override {
        gTried.clear();
        gPresent.clear();
        gProcs.clear();
        gFiles.clear();
        gLetter = nullptr;
        SetDirectXProbes(&kProbes);
        path = dir.File("log.txt");
        ASSERT_TRUE(LogStart(platform::Utf8ToUtf16(path).c_str()));
    }
    void TearDown() override {
        UnloadD3DX();
        SetDirectXProbes(nullptr);
        if (IsLogActive()) LogFinish();
    }
    std::string Log() {
        LogFinish();
        return testsupport::ReadFileBytes(path);
    }
    std::u16string VersionText(uint32_t* version) {
        char16_t text[10];
        EXPECT_EQ(GetDirectXVersion(version, text, 10), kResultOk);
        return text;
    }
    testsupport::TempDir dir;
    std::string path;
};

} // namespace

TEST_F(DirectXReport, LibraryNamesAreTriedInOrderAndMissingProcsLogged) {
    EXPECT_EQ(LoadD3DX(), kResultFail);
    const std::vector<std::string> order = {"d3dx9_27.dll", "d3dx9_26.dll", "d3dx9_25.dll", "d3dx9_24.dll",
                                            "d3dx9_38.dll", "d3dx9_37.dll", "d3dx9_36.dll", "d3dx9_35.dll",
                                            "d3dx9_34.dll", "d3dx9_33.dll", "d3dx9_32.dll", "d3dx9_31.dll",
                                            "d3dx9_30.dll", "d3dx9_29.dll", "d3dx9_28.dll"};
    EXPECT_EQ(gTried, order);

    gTried.clear();
    gPresent = {"d3dx9_38.dll", "d3dx9_24.dll"};
    gProcs = {"D3DXMatrixOrthoOffCenterLH",         "D3DXCreateTexture",       "D3DXCreateTextureFromFileExW",
              "D3DXCreateTextureFromFileExA",       "D3DXCreateFontIndirectW", "D3DXCreateFontIndirectA",
              "D3DXCreateTextureFromFileInMemoryEx"};
    EXPECT_EQ(LoadD3DX(), kResultFail);
    EXPECT_EQ(gTried.back(), "d3dx9_24.dll");
    EXPECT_EQ(GetD3DXProc(kD3DXCreateTexture), &gFunction);
    EXPECT_EQ(GetD3DXProc(kD3DXMatrixAffineTransformation2D), nullptr);

    gProcs.push_back("D3DXMatrixAffineTransformation2D");
    gProcs.push_back("D3DXGetImageInfoFromFileInMemory");
    EXPECT_EQ(LoadD3DX(), kResultOk);
    UnloadD3DX();
    EXPECT_EQ(GetD3DXProc(kD3DXCreateTexture), nullptr);

    const std::string log = Log();
    const std::string expected = "\r\nERROR! DirectX library d3dx9_xx.dll not found."
                                 "\r\nD3DX9:                      d3dx9_24.dll"
                                 "\r\nERROR! Proc not found: D3DXMatrixAffineTransformation2D"
                                 "\r\nERROR! Proc not found: D3DXGetImageInfoFromFileInMemory"
                                 "\r\nD3DX9:                      d3dx9_24.dll"
                                 "\r\nLOG FINISHED.";
    EXPECT_NE(log.find(expected), std::string::npos) << log;
}

TEST_F(DirectXReport, DiagnosticLetterIsLowerCased) {
    gLetter = u"C";
    uint32_t version = 0;
    EXPECT_EQ(VersionText(&version), u"9.0c");
    EXPECT_EQ(version, 0x090003u);
    gLetter = u" ";
    EXPECT_EQ(VersionText(&version), u"9.0");
    EXPECT_EQ(version, 0x090000u);
}

TEST_F(DirectXReport, FileVersionsWhenDiagnosticsFail) {
    uint32_t version = 0;
    gFiles[u"\\ddraw.dll"] = MakeFileVersion(4, 7, 0, 700);
    gFiles[u"\\dinput.dll"] = MakeFileVersion(4, 7, 0, 716);
    EXPECT_EQ(VersionText(&version), u"7.0a");
    EXPECT_EQ(version, 0x070001u);

    // A first part of 5 is held against 5.1.2258.400, not 4.8.0.400.
    gFiles.clear();
    gFiles[u"\\ddraw.dll"] = MakeFileVersion(5, 0, 0, 0);
    EXPECT_EQ(VersionText(&version), u"7.0");
    gFiles[u"\\ddraw.dll"] = MakeFileVersion(5, 1, 2258, 400);
    EXPECT_EQ(VersionText(&version), u"8.0");

    // A readable dpnet.dll gives 9.0 only after an earlier match.
    gFiles[u"\\dpnet.dll"] = MakeFileVersion(1, 0, 0, 0);
    EXPECT_EQ(VersionText(&version), u"9.0");
    gFiles.erase(u"\\ddraw.dll");
    EXPECT_EQ(VersionText(&version), u"0.0");
    EXPECT_EQ(version, 0u);
}

TEST_F(DirectXReport, BuiltInLibraryAndUnknownVersionOnThisPlatform) {
    SetDirectXProbes(nullptr);
    uint32_t version = 7;
    char16_t text[10] = u"x";
    EXPECT_EQ(GetDirectXVersion(&version, text, 10), kResultFail);
    EXPECT_EQ(version, 0u);
    EXPECT_EQ(text[0], 0);

    for (uint32_t i = 0; i < kD3DXProcCount; ++i)
        RegisterBuiltInD3DXProc(GetD3DXProcName(D3DXProc(i)), &gFunction);
    EXPECT_EQ(LogSystemAndLoadD3DX(), kResultOk);
    EXPECT_EQ(GetD3DXProc(kD3DXCreateFontIndirectW), &gFunction);
    const std::string log = Log();
    EXPECT_NE(log.find("\r\nSystem:                     Unknown"
                       "\r\nDirectX version:            Unknown"
                       "\r\nD3DX9:                      d3dx9_27.dll\r\nLOG FINISHED."),
              std::string::npos)
        << log;
}
