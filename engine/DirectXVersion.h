#pragma once
#include "engine/ResultNames.h"

#include <cstdint>

// The version report written to the log at start-up, and the run-time loading
// of the helper library ("d3dx9_NN.dll") whose nine functions the engine uses
// for projection, textures and fonts.
//
// The platform answers through probes. In the product the helper library is
// built in: the search finds it under the first name tried, and its functions
// are the ones registered with RegisterBuiltInD3DXProc. The system facts this
// platform cannot know (the diagnostic query, system file versions) are not
// available, so the version reads as "Unknown".

// Four 16-bit parts a.b.c.d packed most significant first.
constexpr uint64_t MakeFileVersion(uint16_t a, uint16_t b, uint16_t c, uint16_t d) {
    return uint64_t(a) << 48 | uint64_t(b) << 32 | uint64_t(c) << 16 | d;
}

struct DirectXProbes {
    // The diagnostic query: major, minor and the version letter text; false
    // when the query fails. Null: the query is not available.
    bool (*queryDiagnostics)(uint32_t* major, uint32_t* minor, const char16_t** letter);
    // The version of a system file ("\ddraw.dll"); 0 or a failure code.
    // Null: no system files can be examined, so the file check fails.
    HResult (*fileVersion)(const char16_t* file, uint64_t* version);
    // Loads a library by file name: an opaque handle, or null.
    void* (*loadLibrary)(const char* name);
    // A function of a loaded library by name, or null.
    void* (*getProc)(void* module, const char* name);
    void (*freeLibrary)(void* module);
};

// Replaces the probes (tests); null restores the built-in ones.
void SetDirectXProbes(const DirectXProbes* probes);

// Makes a function of the built-in helper library available by name.
void RegisterBuiltInD3DXProc(const char* name, void* function);

// The nine helper functions, in lookup order.
enum D3DXProc : uint32_t {
    kD3DXMatrixOrthoOffCenterLH,
    kD3DXMatrixAffineTransformation2D,
    kD3DXCreateTexture,
    kD3DXCreateTextureFromFileExW,
    kD3DXCreateTextureFromFileExA,
    kD3DXCreateFontIndirectW,
    kD3DXCreateFontIndirectA,
    kD3DXGetImageInfoFromFileInMemory,
    kD3DXCreateTextureFromFileInMemoryEx,
    kD3DXProcCount,
};
const char* GetD3DXProcName(D3DXProc proc);
// The looked-up function, or null before LoadD3DX or when it was missing.
void* GetD3DXProc(D3DXProc proc);
// Changes with every LoadD3DX and UnloadD3DX, so that a table built from
// GetD3DXProc knows when to resolve again.
uint32_t GetD3DXLoadSerial();

// Packed version: major << 16 | minor << 8 | letter index (1 for 'a' ...
// 26 for 'z', 0 for none); text "%d.%d" or "%d.%d%c". Either output may be
// null. 0 or E_FAIL.
HResult GetDirectXVersion(uint32_t* version, char16_t* text, int textSize);
// Finds the helper library under its known names and looks up its nine
// functions, logging what it finds; 0 or E_FAIL.
HResult LoadD3DX();
void UnloadD3DX();
// Logs "System:" and "DirectX version:", then LoadD3DX; its result.
HResult LogSystemAndLoadD3DX();
