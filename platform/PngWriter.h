#pragma once
#include <cstdint>
#include <string>

namespace platform {

// Writes 32-bit A8R8G8B8 pixels as an 8-bit RGB PNG file (alpha dropped, as
// the screen shows it). False, with a reason, when the file cannot be written.
bool WritePng(const std::string& nativePath, const uint32_t* argb, int width, int height, int pitchInPixels,
              std::string* error);

} // namespace platform
