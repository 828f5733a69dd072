#include "engine/DirectXVersion.h"

#include "engine/Log.h"
#include "foundation/System.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr const char* kLibraryNames[] = {
    "d3dx9_27.dll", "d3dx9_26.dll", "d3dx9_25.dll", "d3dx9_24.dll", "d3dx9_38.dll",
    "d3dx9_37.dll", "d3dx9_36.dll", "d3dx9_35.dll", "d3dx9_34.dll", "d3dx9_33.dll",
    "d3dx9_32.dll", "d3dx9_31.dll", "d3dx9_30.dll", "d3dx9_29.dll", "d3dx9_28.dll",
};

constexpr const char* kProcNames[kD3DXProcCount] = {
    "D3DXMatrixOrthoOffCenterLH",   "D3DXMatrixAffineTransformation2D", "D3DXCreateTexture",
    "D3DXCreateTextureFromFileExW", "D3DXCreateTextureFromFileExA",     "D3DXCreateFontIndirectW",
    "D3DXCreateFontIndirectA",      "D3DXGetImageInfoFromFileInMemory", "D3DXCreateTextureFromFileInMemoryEx",
};

// ---- The built-in helper library ----

struct BuiltInProc {
    std::string name;
    void* function;
};

std::vector<BuiltInProc>& BuiltInProcs() {
    static std::vector<BuiltInProc> procs;
    return procs;
}

int gBuiltInModule; // its address is the built-in library's handle

void* BuiltInLoad(const char* name) {
    return std::strcmp(name, kLibraryNames[0]) == 0 ? &gBuiltInModule : nullptr;
}

void* BuiltInGetProc(void* module, const char* name) {
    if (module != &gBuiltInModule) return nullptr;
    for (const BuiltInProc& p : BuiltInProcs())
        if (p.name == name) return p.function;
    return nullptr;
}

void BuiltInFree(void*) {}

constexpr DirectXProbes kBuiltInProbes = {nullptr, nullptr, BuiltInLoad, BuiltInGetProc, BuiltInFree};

struct State {
    DirectXProbes probes = kBuiltInProbes;
    void* module = nullptr;
    void* procs[kD3DXProcCount] = {};
    uint32_t loadSerial = 0;
};

State& Get() {
    static State state;
    return state;
}

// ---- Version detection ----

struct VersionResult {
    uint32_t major = 0, minor = 0;
    char16_t letter = u' ';
};

bool QueryDiagnostics(VersionResult* out) {
    const DirectXProbes& p = Get().probes;
    const char16_t* letter = nullptr;
    uint32_t major = 0, minor = 0;
    if (!p.queryDiagnostics || !p.queryDiagnostics(&major, &minor, &letter) || !letter || !letter[0])
        return false;
    out->major = major;
    out->minor = minor;
    out->letter = letter[0];
    return true;
}

struct FileRow {
    const char16_t* file;
    uint64_t threshold;      // for a file whose first part is 4 (or any, when otherThreshold is 0)
    uint64_t otherThreshold; // for other first parts; 0 when the row has one threshold
    uint32_t major, minor;
    char16_t letter;
};

const FileRow kFileRows[] = {
    {u"\\ddraw.dll", MakeFileVersion(4, 2, 0, 95), 0, 1, 0, u' '},
    {u"\\ddraw.dll", MakeFileVersion(4, 3, 0, 1096), 0, 2, 0, u' '},
    {u"\\ddraw.dll", MakeFileVersion(4, 4, 0, 68), 0, 3, 0, u' '},
    {u"\\d3drg8x.dll", MakeFileVersion(4, 4, 0, 70), 0, 3, 0, u'a'},
    {u"\\ddraw.dll", MakeFileVersion(4, 5, 0, 155), 0, 5, 0, u' '},
    {u"\\ddraw.dll", MakeFileVersion(4, 6, 0, 318), 0, 6, 0, u' '},
    {u"\\ddraw.dll", MakeFileVersion(4, 6, 0, 436), 0, 6, 1, u' '},
    {u"\\dplayx.dll", MakeFileVersion(4, 6, 3, 518), 0, 6, 1, u'a'},
    {u"\\ddraw.dll", MakeFileVersion(4, 7, 0, 700), 0, 7, 0, u' '},
    {u"\\dinput.dll", MakeFileVersion(4, 7, 0, 716), 0, 7, 0, u'a'},
    {u"\\ddraw.dll", MakeFileVersion(4, 8, 0, 400), MakeFileVersion(5, 1, 2258, 400), 8, 0, u' '},
    {u"\\d3d8.dll", MakeFileVersion(4, 8, 1, 881), MakeFileVersion(5, 1, 2600, 881), 8, 1, u' '},
    {u"\\d3d8.dll", MakeFileVersion(4, 8, 1, 901), MakeFileVersion(5, 1, 2600, 901), 8, 1, u'a'},
    {u"\\mpg2splt.dll", MakeFileVersion(6, 3, 1, 885), 0, 8, 1, u'b'},
    {u"\\dpnet.dll", MakeFileVersion(4, 9, 0, 134), MakeFileVersion(5, 2, 3677, 134), 8, 2, u' '},
};

bool CheckFileVersions(VersionResult* out) {
    const DirectXProbes& p = Get().probes;
    if (!p.fileVersion) return false; // no system files to examine
    bool found = false;
    for (const FileRow& row : kFileRows) {
        uint64_t version = 0;
        if (p.fileVersion(row.file, &version) != kResultOk) continue;
        const bool firstPartIs4 = (version >> 48) == 4;
        const uint64_t threshold =
            row.otherThreshold != 0 && !firstPartIs4 ? row.otherThreshold : row.threshold;
        if (version >= threshold) {
            *out = VersionResult{row.major, row.minor, row.letter};
            found = true;
        }
    }
    // DirectX 9: a readable "\dpnet.dll" after an earlier match.
    uint64_t version = 0;
    if (p.fileVersion(u"\\dpnet.dll", &version) == kResultOk) *out = VersionResult{9, 0, u' '};
    if (!found) *out = VersionResult{};
    return true;
}

} // namespace

void SetDirectXProbes(const DirectXProbes* probes) {
    Get().probes = probes ? *probes : kBuiltInProbes;
}

void RegisterBuiltInD3DXProc(const char* name, void* function) {
    if (!name) return;
    for (BuiltInProc& p : BuiltInProcs()) {
        if (p.name == name) {
            p.function = function;
            return;
        }
    }
    BuiltInProcs().push_back(BuiltInProc{name, function});
}

const char* GetD3DXProcName(D3DXProc proc) {
    return proc < kD3DXProcCount ? kProcNames[proc] : nullptr;
}

void* GetD3DXProc(D3DXProc proc) {
    return proc < kD3DXProcCount ? Get().procs[proc] : nullptr;
}

uint32_t GetD3DXLoadSerial() {
    return Get().loadSerial;
}

HResult GetDirectXVersion(uint32_t* version, char16_t* text, int textSize) {
    if (version) *version = 0;
    if (text && textSize > 0) text[0] = 0;
    VersionResult v;
    if (!QueryDiagnostics(&v) && !CheckFileVersions(&v)) return kResultFail;
    char16_t letter = v.letter;
    if (letter >= u'A' && letter <= u'Z') letter = char16_t(letter - u'A' + u'a');
    const uint32_t letterIndex = letter >= u'a' && letter <= u'z' ? uint32_t(letter - u'a' + 1) : 0;
    if (version) *version = v.major << 16 | (v.minor & 0xFF) << 8 | letterIndex;
    if (text && textSize > 0) {
        char narrow[64];
        if (letter == u' ')
            std::snprintf(narrow, sizeof narrow, "%u.%u", v.major, v.minor);
        else
            std::snprintf(narrow, sizeof narrow, "%u.%u%c", v.major, v.minor,
                          letter < 128 ? char(letter) : '?');
        int i = 0;
        for (; narrow[i] && i < textSize - 1; ++i)
            text[i] = char16_t(uint8_t(narrow[i]));
        text[i] = 0;
    }
    return kResultOk;
}

HResult LoadD3DX() {
    State& s = Get();
    UnloadD3DX();
    for (const char* name : kLibraryNames) {
        s.module = s.probes.loadLibrary ? s.probes.loadLibrary(name) : nullptr;
        if (s.module) {
            LogLabelValue(kLogIndent, "D3DX9:", name);
            break;
        }
    }
    if (!s.module) {
        LogErrorPrintf(kLogIndent, "DirectX library d3dx9_xx.dll not found.");
        return kResultFail;
    }
    HResult result = kResultOk;
    ++s.loadSerial;
    for (uint32_t i = 0; i < kD3DXProcCount; ++i) {
        s.procs[i] = s.probes.getProc ? s.probes.getProc(s.module, kProcNames[i]) : nullptr;
        if (!s.procs[i]) {
            LogErrorPrintf(kLogIndent, "Proc not found: %s", kProcNames[i]);
            result = kResultFail;
        }
    }
    return result;
}

void UnloadD3DX() {
    State& s = Get();
    if (s.module && s.probes.freeLibrary) s.probes.freeLibrary(s.module);
    s.module = nullptr;
    for (void*& p : s.procs)
        p = nullptr;
    ++s.loadSerial;
}

HResult LogSystemAndLoadD3DX() {
    char16_t system[256];
    kis::GetWindowsVersionName(system, 256, true);
    LogLabelValueW(kLogIndent, u"System:", system);
    if (IsLogActive()) {
        uint32_t version = 0;
        char16_t text[10];
        if (GetDirectXVersion(&version, text, 10) != kResultOk)
            LogLabelValue(kLogIndent, "DirectX version:", "Unknown");
        else
            LogLabelValueW(kLogIndent, u"DirectX version:", version > 0 ? text : u"Not installed");
    }
    return LoadD3DX();
}
