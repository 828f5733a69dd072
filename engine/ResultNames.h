#pragma once
#include <cstdint>

// Result codes the engine can meet, kept HRESULT-shaped because the game
// compares and stores them, and the names and descriptions the log writes
// for them.

using HResult = int32_t;

constexpr HResult MakeResult(uint32_t code) {
    return HResult(code);
}

constexpr HResult kResultOk = MakeResult(0x00000000);
constexpr HResult kResultFalse = MakeResult(0x00000001);
constexpr HResult kResultFail = MakeResult(0x80004005);
constexpr HResult kResultNotImplemented = MakeResult(0x80004001);
constexpr HResult kResultNoInterface = MakeResult(0x80004002);
constexpr HResult kResultPointer = MakeResult(0x80004003);
constexpr HResult kResultOutOfMemory = MakeResult(0x8007000E);
constexpr HResult kResultInvalidArg = MakeResult(0x80070057);

// Graphics-device results.
constexpr HResult kResultWrongTextureFormat = MakeResult(0x88760818);
constexpr HResult kResultUnsupportedColorOperation = MakeResult(0x88760819);
constexpr HResult kResultUnsupportedColorArg = MakeResult(0x8876081A);
constexpr HResult kResultUnsupportedAlphaOperation = MakeResult(0x8876081B);
constexpr HResult kResultUnsupportedAlphaArg = MakeResult(0x8876081C);
constexpr HResult kResultTooManyOperations = MakeResult(0x8876081D);
constexpr HResult kResultConflictingTextureFilter = MakeResult(0x8876081E);
constexpr HResult kResultUnsupportedFactorValue = MakeResult(0x8876081F);
constexpr HResult kResultConflictingRenderState = MakeResult(0x88760821);
constexpr HResult kResultUnsupportedTextureFilter = MakeResult(0x88760822);
constexpr HResult kResultConflictingTexturePalette = MakeResult(0x88760826);
constexpr HResult kResultDriverInternalError = MakeResult(0x88760827);
constexpr HResult kResultNotFound = MakeResult(0x88760866);
constexpr HResult kResultMoreData = MakeResult(0x88760867);
constexpr HResult kResultDeviceLost = MakeResult(0x88760868);
constexpr HResult kResultDeviceNotReset = MakeResult(0x88760869);
constexpr HResult kResultNotAvailable = MakeResult(0x8876086A);
constexpr HResult kResultOutOfVideoMemory = MakeResult(0x8876017C);
constexpr HResult kResultInvalidDevice = MakeResult(0x8876086B);
constexpr HResult kResultInvalidCall = MakeResult(0x8876086C);
constexpr HResult kResultDriverInvalidCall = MakeResult(0x8876086D);
constexpr HResult kResultWasStillDrawing = MakeResult(0x8876021C);

// Engine results: 0xA3E910xx device, 0xA3E911xx window, 0xA3E931xx input
// (the input set-up codes of several devices are ORed together).
constexpr HResult kResultCreateDirect3DFailed = MakeResult(0xA3E91001);
constexpr HResult kResultNoDevice = MakeResult(0xA3E91003);
constexpr HResult kResultDisplayModeUnreadable = MakeResult(0xA3E91004);
constexpr HResult kResultDisplayFormatUnknown = MakeResult(0xA3E91005);
constexpr HResult kResultInvalidDeviceWindow = MakeResult(0xA3E91006);
constexpr HResult kResultNoDirect3D = MakeResult(0xA3E91007);
constexpr HResult kResultAdapterIdentifierUnreadable = MakeResult(0xA3E91008);
constexpr HResult kResultDeviceCapsUnreadable = MakeResult(0xA3E91009);
constexpr HResult kResultNoDisplaySettings = MakeResult(0xA3E9100A);
constexpr HResult kResultEngineDeviceLost = MakeResult(0xA3E9100B);
constexpr HResult kResultRegisterClassFailed = MakeResult(0xA3E91101);
constexpr HResult kResultCreateWindowFailed = MakeResult(0xA3E91103);
constexpr HResult kResultClientSizeMismatch = MakeResult(0xA3E91104);
constexpr HResult kResultMouseSetupFailed = MakeResult(0xA3E93101);
constexpr HResult kResultKeyboardSetupFailed = MakeResult(0xA3E93102);
constexpr HResult kResultThirdDeviceSetupFailed = MakeResult(0xA3E93104);
constexpr HResult kResultInputNotReady = MakeResult(0xA3E93110);
constexpr HResult kResultInputNotSetUp = MakeResult(0xA3E93120);

constexpr bool Succeeded(HResult hr) {
    return hr >= 0;
}
constexpr bool Failed(HResult hr) {
    return hr < 0;
}

// The symbolic name of a result ("D3DERR_DEVICELOST"); a fixed text for a
// code outside the table.
const char* GetResultName(HResult hr);
// A one-line description of a result; a fixed text for a code outside the table.
const char* GetResultDescription(HResult hr);
