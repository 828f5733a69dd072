#include "tests/support/Damage.h"

#include "platform/Random.h"

#include <algorithm>
#include <chrono>

namespace testsupport {

uint32_t Rand32() {
    return uint32_t(platform::Rand()) << 17 ^ uint32_t(platform::Rand()) << 2 ^ uint32_t(platform::Rand());
}

namespace {

uint32_t PlantedCount() {
    static const uint32_t kHuge[] = {0xFFFFFFFFu, 0xFFFFFFFEu, 0x80000000u, 0x7FFFFFFFu, 0x40000000u,
                                     0x10000000u, 0x00FFFFFFu, 0x10000u,    0xFFFFu,     0u};
    if (platform::Rand() % 3 == 0) return Rand32();
    return kHuge[platform::Rand() % (sizeof(kHuge) / sizeof(kHuge[0]))];
}

} // namespace

std::string Damage(const std::string& good, int round) {
    std::string bytes = good;
    const size_t n = bytes.size();
    switch (round % 6) {
    case 0: // cut short
        bytes.resize(n ? Rand32() % n : 0);
        break;
    case 1: // bits flipped
        for (int i = 0, k = 1 + platform::Rand() % 4; i < k && n; ++i) {
            size_t at = Rand32() % n;
            bytes[at] = char(bytes[at] ^ (1 << (platform::Rand() % 8)));
        }
        break;
    case 2: // a count planted
    case 3:
        if (n >= 4) {
            size_t at = Rand32() % (n - 3);
            if (platform::Rand() % 2) at &= ~size_t{3};
            uint32_t v = PlantedCount();
            for (int b = 0; b < 4; ++b)
                bytes[at + b] = char(v >> (8 * b));
        }
        break;
    case 4: // a stretch removed or repeated
        if (n) {
            size_t at = Rand32() % n;
            size_t len = 1 + Rand32() % std::min<size_t>(n - at, 64);
            if (platform::Rand() % 2)
                bytes.erase(at, len);
            else
                bytes.insert(at, good.substr(at, len));
        }
        break;
    default: { // random bytes
        bytes.clear();
        for (int i = 0, k = platform::Rand() % (n < 256 ? 256 : int(std::min<size_t>(n, 4096))); i < k; ++i)
            bytes += char(platform::Rand());
    }
    }
    return bytes;
}

uint32_t NowMilliseconds() {
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

uint32_t ElapsedMilliseconds(uint32_t since) {
    return NowMilliseconds() - since;
}

} // namespace testsupport
