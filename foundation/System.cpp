#include "foundation/System.h"
#include "foundation/StrFunctions.h"
#include "platform/Clock.h"

namespace kis {

TimerRecord InitTimer() {
    TimerRecord record;
    const uint32_t now = platform::Milliseconds();
    for (TimerChannel& channel : record.channels)
        channel = {now, 1.0};
    return record;
}

char16_t* GetWindowsVersionName(char16_t* buffer, uint32_t size, bool /*withServicePack*/) {
    return StrCopy(buffer, size, u"Unknown");
}

} // namespace kis
