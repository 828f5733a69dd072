#pragma once
#include <string>
#include <string_view>

namespace platform {

// True for an address that starts with "http://" or "https://" (either case)
// and has something after the scheme; such an address holds no control
// characters or spaces.
bool IsWebAddress(std::string_view address);

// Opens a web address with the desktop's handler: runs "xdg-open" with the
// address as its one argument (no shell) and waits up to two seconds for it to
// hand the address over; a handler still running then is left to finish on
// its own. False for anything but a web address, or when the handler could
// not be started or reported a failure.
bool OpenWebAddress(const std::string& address);

} // namespace platform
