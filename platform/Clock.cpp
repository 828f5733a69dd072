#include "platform/Clock.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>

namespace platform {
namespace {
std::atomic<bool> g_virtual{false};
std::atomic<uint32_t> g_virtualNow{kVirtualClockStart};
} // namespace

uint32_t Milliseconds() {
    if (g_virtual.load(std::memory_order_acquire)) return g_virtualNow.load(std::memory_order_acquire);
    using namespace std::chrono;
    auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<uint32_t>(static_cast<uint64_t>(ms));
}

void SleepMilliseconds(uint32_t ms) {
    if (g_virtual.load(std::memory_order_acquire)) {
        g_virtualNow.fetch_add(ms, std::memory_order_acq_rel);
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void SetVirtualClock(bool on) {
    g_virtualNow.store(kVirtualClockStart, std::memory_order_release);
    g_virtual.store(on, std::memory_order_release);
}

bool IsClockVirtual() {
    return g_virtual.load(std::memory_order_acquire);
}

LocalTime Now() {
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t seconds = system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&seconds, &tm);
    int ms = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_wday, tm.tm_mday,
                     tm.tm_hour,        tm.tm_min,     tm.tm_sec,  ms};
}

} // namespace platform
