#include "foundation/Dates.h"
#include "foundation/StrFunctions.h"

#include <string>

namespace kis {
namespace {

// Names by the locale's tables, January and Sunday first. This system has no
// locale names to offer, so every name is the English one.
constexpr const char* kMonths[12] = {"January", "February", "March",     "April",   "May",      "June",
                                     "July",    "August",   "September", "October", "November", "December"};
constexpr const char* kMonthsShort[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* kDays[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                  "Thursday", "Friday", "Saturday"};
constexpr const char* kDaysShort[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

template <typename Ch> Ch Lower(Ch c) {
    return (c >= 'A' && c <= 'Z') ? Ch(c + 32) : c;
}

template <typename Ch> void AppendAscii(std::basic_string<Ch>& out, const char* text) {
    for (; *text; ++text)
        out += Ch(*text);
}

template <typename Ch> void AppendNumber(std::basic_string<Ch>& out, uint32_t value, int minDigits) {
    char digits[12];
    int n = 0;
    do {
        digits[n++] = char('0' + value % 10);
        value /= 10;
    } while (value);
    for (int i = n; i < minDigits; ++i)
        out += Ch('0');
    while (n > 0)
        out += Ch(digits[--n]);
}

enum class Marker { None, AP, AmPmSlash, AmPm };

// The marker that starts at p (an 'a' or 'A'), and its length.
template <typename Ch> Marker MarkerAt(const Ch* p, int& length) {
    auto is = [p](const char* pattern) {
        for (int i = 0; pattern[i]; ++i)
            if (!p[i] || Lower(p[i]) != Ch(pattern[i])) return false;
        return true;
    };
    if (is("a/p")) {
        length = 3;
        return Marker::AP;
    }
    if (is("am/pm")) {
        length = 5;
        return Marker::AmPmSlash;
    }
    if (is("ampm")) {
        length = 4;
        return Marker::AmPm;
    }
    return Marker::None;
}

// True when a marker follows somewhere after p, outside quotes.
template <typename Ch> bool MarkerAhead(const Ch* p) {
    while (*p) {
        if (*p == '\'' || *p == '"') {
            Ch quote = *p++;
            while (*p && *p != quote)
                ++p;
            if (*p) ++p;
            continue;
        }
        int length;
        if (Lower(*p) == 'a' && MarkerAt(p, length) != Marker::None) return true;
        ++p;
    }
    return false;
}

} // namespace

SystemTime MillisecondsToTime(uint32_t ms) {
    SystemTime time{};
    time.hour = uint16_t(ms / 3600000);
    time.minute = uint16_t(ms / 60000 % 60);
    time.second = uint16_t(ms / 1000 % 60);
    time.milliseconds = uint16_t(ms % 1000);
    return time;
}

uint32_t TimeToMilliseconds(const SystemTime& time) {
    return uint32_t(time.hour) * 3600000u + uint32_t(time.minute) * 60000u + uint32_t(time.second) * 1000u +
           time.milliseconds;
}

template <typename Ch>
Ch* FormatDateTime(const Ch* format, Ch* buffer, uint32_t size, const SystemTime& time) {
    if (!buffer || size == 0) return buffer;
    std::basic_string<Ch> out;
    const bool morning = time.hour % 24 < 12;
    bool hourSeen = false;
    for (const Ch* p = format ? format : nullptr; p && *p;) {
        Ch c = *p;
        if (c == '\'' || c == '"') {
            for (++p; *p && *p != c; ++p)
                out += *p;
            if (*p) ++p;
            continue;
        }
        Ch code = Lower(c);
        if (code != 'y' && code != 'm' && code != 'd' && code != 'h' && code != 'n' && code != 's' &&
            code != 'z' && code != 'a') {
            out += c;
            ++p;
            continue;
        }
        if (code == 'a' && hourSeen) {
            int length = 0;
            Marker marker = MarkerAt(p, length);
            if (marker == Marker::AP) out += morning ? p[0] : p[2];
            if (marker == Marker::AmPmSlash) out.append(morning ? p : p + 3, 2);
            if (marker == Marker::AmPm) AppendAscii(out, morning ? "AM" : "PM");
            if (marker != Marker::None) {
                p += length;
                continue;
            }
        }
        int n = 1;
        while (Lower(p[n]) == code)
            ++n;
        switch (char(code)) {
        case 'y':
            AppendNumber(out, time.year, n <= 2 ? 2 : 4);
            break;
        case 'm':
            if (n <= 2)
                AppendNumber(out, time.month, n);
            else if (time.month >= 1 && time.month <= 12)
                AppendAscii(out, (n == 3 ? kMonthsShort : kMonths)[time.month - 1]);
            break;
        case 'd':
            if (n <= 2)
                AppendNumber(out, time.day, n);
            else if (time.dayOfWeek <= 6)
                AppendAscii(out, (n == 3 ? kDaysShort : kDays)[time.dayOfWeek]);
            break;
        case 'h': {
            hourSeen = true;
            uint32_t hour = time.hour;
            if (MarkerAhead(p + n)) {
                hour %= 12;
                if (hour == 0) hour = 12;
            }
            AppendNumber(out, hour, n < 2 ? n : 2);
            break;
        }
        case 'n':
            AppendNumber(out, time.minute, n < 2 ? n : 2);
            break;
        case 's':
            AppendNumber(out, time.second, n < 2 ? n : 2);
            break;
        case 'z':
            AppendNumber(out, time.milliseconds, n < 3 ? n : 3);
            break;
        default:
            out.append(p, size_t(n));
            break; // an 'a' that is no marker
        }
        p += n;
    }
    return StrCopy(buffer, size, out.c_str());
}

template char* FormatDateTime(const char*, char*, uint32_t, const SystemTime&);
template char16_t* FormatDateTime(const char16_t*, char16_t*, uint32_t, const SystemTime&);

} // namespace kis
