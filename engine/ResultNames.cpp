#include "engine/ResultNames.h"

namespace {

struct ResultText {
    uint32_t code;
    const char* name;
    const char* description;
};

constexpr ResultText kResults[] = {
    {0x00000000, "S_OK", "The operation succeeded."},
    {0x00000001, "S_FALSE", "The operation succeeded with a negative answer."},
    {0x80004001, "E_NOTIMPL", "The function is not implemented."},
    {0x80004002, "E_NOINTERFACE", "The requested interface is not supported."},
    {0x80004003, "E_POINTER", "An invalid pointer was passed."},
    {0x80004005, "E_FAIL", "An undetermined error occurred."},
    {0x8007000E, "E_OUTOFMEMORY", "Not enough memory to complete the call."},
    {0x80070057, "E_INVALIDARG", "An invalid parameter was passed."},

    {0x80070005, "DIERR_OTHERAPPHASPRIO",
     "The input device cannot be acquired: another window has the input focus."},
    {0x8007000C, "DIERR_NOTACQUIRED", "The input device must be acquired before this operation."},
    {0x8007001E, "DIERR_INPUTLOST", "The input device lost its acquisition and must be acquired again."},
    {0x80040207, "DIERR_NOTBUFFERED", "The input device keeps no buffered data: no buffer size was set."},

    {0x88760818, "D3DERR_WRONGTEXTUREFORMAT", "The pixel format of the texture surface is not valid."},
    {0x88760819, "D3DERR_UNSUPPORTEDCOLOROPERATION",
     "The device does not support a specified texture-blending operation for color values."},
    {0x8876081A, "D3DERR_UNSUPPORTEDCOLORARG",
     "The device does not support a specified texture-blending argument for color values."},
    {0x8876081B, "D3DERR_UNSUPPORTEDALPHAOPERATION",
     "The device does not support a specified texture-blending operation for the alpha channel."},
    {0x8876081C, "D3DERR_UNSUPPORTEDALPHAARG",
     "The device does not support a specified texture-blending argument for the alpha channel."},
    {0x8876081D, "D3DERR_TOOMANYOPERATIONS",
     "The application is requesting more texture-filtering operations than the device supports."},
    {0x8876081E, "D3DERR_CONFLICTINGTEXTUREFILTER", "The current texture filters cannot be used together."},
    {0x8876081F, "D3DERR_UNSUPPORTEDFACTORVALUE",
     "The device does not support the specified texture factor value."},
    {0x88760821, "D3DERR_CONFLICTINGRENDERSTATE", "The currently set render states cannot be used together."},
    {0x88760822, "D3DERR_UNSUPPORTEDTEXTUREFILTER",
     "The device does not support the specified texture filter."},
    {0x88760826, "D3DERR_CONFLICTINGTEXTUREPALETTE", "The current textures cannot be used simultaneously."},
    {0x88760827, "D3DERR_DRIVERINTERNALERROR", "Internal driver error."},
    {0x88760866, "D3DERR_NOTFOUND", "The requested item was not found."},
    {0x88760867, "D3DERR_MOREDATA", "There is more data available than the specified buffer size can hold."},
    {0x88760868, "D3DERR_DEVICELOST", "The device has been lost but cannot be reset at this time."},
    {0x88760869, "D3DERR_DEVICENOTRESET", "The device has been lost but can be reset at this time."},
    {0x8876086A, "D3DERR_NOTAVAILABLE", "This device does not support the queried technique."},
    {0x8876017C, "D3DERR_OUTOFVIDEOMEMORY",
     "Direct3D does not have enough display memory to perform the operation."},
    {0x8876086B, "D3DERR_INVALIDDEVICE", "The requested device type is not valid."},
    {0x8876086C, "D3DERR_INVALIDCALL", "The method call is invalid."},
    {0x8876086D, "D3DERR_DRIVERINVALIDCALL", "The driver reported an invalid call."},
    {0x8876021C, "D3DERR_WASSTILLDRAWING", "The previous operation on this surface is still in progress."},
    {0x88760B59, "D3DXERR_INVALIDDATA", "The data is invalid."},

    {0xA3E91001, "DXLERR_CREATEDIRECT3D", "The Direct3D 9 object could not be created."},
    {0xA3E91003, "DXLERR_NODEVICE", "There is no device."},
    {0xA3E91004, "DXLERR_DISPLAYMODE", "The adapter's display mode could not be read."},
    {0xA3E91005, "DXLERR_DISPLAYFORMAT", "The adapter's display format is unknown."},
    {0xA3E91006, "DXLERR_DEVICEWINDOW", "The device window handle is not valid."},
    {0xA3E91007, "DXLERR_NODIRECT3D", "There is no Direct3D object."},
    {0xA3E91008, "DXLERR_ADAPTERIDENTIFIER", "The adapter identifier could not be read."},
    {0xA3E91009, "DXLERR_DEVICECAPS", "The device capabilities could not be read."},
    {0xA3E9100A, "DXLERR_NOSETTINGS",
     "The display mode cannot change without settings and without a device."},
    {0xA3E9100B, "DXLERR_DEVICELOST", "The device is lost."},
    {0xA3E91101, "DXLERR_REGISTERCLASS", "The window class could not be registered."},
    {0xA3E91103, "DXLERR_CREATEWINDOW", "The window could not be created."},
    {0xA3E91104, "DXLERR_CLIENTSIZE", "The window's client area does not match the back buffer."},
    {0xA3E93101, "DXLERR_MOUSE", "The mouse is missing or could not be set up."},
    {0xA3E93102, "DXLERR_KEYBOARD", "The keyboard is missing or could not be set up."},
    {0xA3E93103, "DXLERR_MOUSE_KEYBOARD", "The mouse and the keyboard could not be set up."},
    {0xA3E93104, "DXLERR_JOYSTICK", "The third input device is missing or could not be set up."},
    {0xA3E93105, "DXLERR_MOUSE_JOYSTICK", "The mouse and the third input device could not be set up."},
    {0xA3E93106, "DXLERR_KEYBOARD_JOYSTICK", "The keyboard and the third input device could not be set up."},
    {0xA3E93107, "DXLERR_INPUTDEVICES", "No input device could be set up."},
    {0xA3E93110, "DXLERR_INPUTNOTREADY",
     "An input device was set up without a valid window or input object."},
    {0xA3E93120, "DXLERR_INPUTNOTSETUP", "An input device that is not set up was polled."},
};

const ResultText* Find(HResult hr) {
    for (const ResultText& r : kResults)
        if (r.code == uint32_t(hr)) return &r;
    return nullptr;
}

} // namespace

const char* GetResultName(HResult hr) {
    const ResultText* r = Find(hr);
    return r ? r->name : "Unknown";
}

const char* GetResultDescription(HResult hr) {
    const ResultText* r = Find(hr);
    return r ? r->description : "n/a";
}
