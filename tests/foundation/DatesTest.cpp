#include "foundation/Dates.h"
#include "foundation/System.h"

#include <gtest/gtest.h>

#include <string>

using namespace kis;

namespace {

SystemTime At(int hour, int minute, int second = 0, int ms = 0) {
    SystemTime t{};
    t.year = 2024;
    t.month = 3;
    t.dayOfWeek = 5;
    t.day = 8;
    t.hour = uint16_t(hour);
    t.minute = uint16_t(minute);
    t.second = uint16_t(second);
    t.milliseconds = uint16_t(ms);
    return t;
}

std::u16string Format(const char16_t* format, const SystemTime& time, uint32_t size = 64) {
    char16_t buffer[64];
    return FormatDateTimeW(format, buffer, size, time);
}

} // namespace

TEST(Dates, MillisecondsSplitIntoAnUnwrappedTime) {
    SystemTime t = MillisecondsToTime(26 * 3600000u + 5 * 60000u + 7 * 1000u + 9);
    EXPECT_EQ(t.hour, 26);
    EXPECT_EQ(t.minute, 5);
    EXPECT_EQ(t.second, 7);
    EXPECT_EQ(t.milliseconds, 9);
    EXPECT_EQ(t.year + t.month + t.day + t.dayOfWeek, 0);
    EXPECT_EQ(TimeToMilliseconds(t), 26 * 3600000u + 5 * 60000u + 7 * 1000u + 9);
    SystemTime u;
    MillisecondsToTime(u, 61000);
    EXPECT_EQ(Format(u"hh:nn:ss", u), u"00:01:01");
}

TEST(Dates, CodesAndQuotes) {
    SystemTime t = At(9, 5, 3, 7);
    EXPECT_EQ(Format(u"yyyy-mm-dd hh:nn:ss.zzz", t), u"2024-03-08 09:05:03.007");
    EXPECT_EQ(Format(u"yy y m d h n s z", t), u"2024 2024 3 8 9 5 3 7");
    EXPECT_EQ(Format(u"ddd, d mmm yyyy", t), u"Fri, 8 Mar 2024");
    EXPECT_EQ(Format(u"dddd mmmm", t), u"Friday March");
    EXPECT_EQ(Format(u"'hh' \"mm\" hhh", t), u"hh mm 09");
    EXPECT_EQ(Format(u"HH:NN", t), u"09:05");
    EXPECT_EQ(Format(u"Tag: hh", t), u"Tag: 09"); // 'a' without an hour before it is copied
    SystemTime jan = t;
    jan.month = 1;
    EXPECT_EQ(Format(u"mmm", jan), u"Jan");
    SystemTime bad = t;
    bad.month = 13;
    bad.dayOfWeek = 9;
    EXPECT_EQ(Format(u"[mmm][dddd]", bad), u"[][]");
}

TEST(Dates, TwelveHourClockMarkers) {
    EXPECT_EQ(Format(u"hh:nn AM/PM", At(9, 5)), u"09:05 AM");
    EXPECT_EQ(Format(u"hh:nn AM/PM", At(21, 5)), u"09:05 PM");
    EXPECT_EQ(Format(u"hh:nn AM/PM", At(0, 30)), u"12:30 AM");
    EXPECT_EQ(Format(u"hh:nn am/pm", At(12, 0)), u"12:00 pm");
    EXPECT_EQ(Format(u"h:nn a/p", At(13, 0)), u"1:00 p");
    EXPECT_EQ(Format(u"h:nn A/P", At(1, 0)), u"1:00 A");
    EXPECT_EQ(Format(u"hh:nn AMPM", At(9, 5)), u"09:05 AM");
    EXPECT_EQ(Format(u"hh:nn ampm", At(23, 5)), u"11:05 PM");
    EXPECT_EQ(Format(u"hh:nn 'AM/PM'", At(21, 5)), u"21:05 AM/PM"); // quoted: no marker
    // No hour code before it: its letters are codes ('M' is the month).
    EXPECT_EQ(Format(u"AM/PM", At(21, 5)), u"A3/P3");
}

TEST(Dates, OutputIsCutToTheBuffer) {
    EXPECT_EQ(Format(u"hh:nn:ss", At(1, 2, 3), 6), u"01:02");
    EXPECT_EQ(Format(nullptr, At(1, 2, 3)), u"");
    char narrow[16];
    EXPECT_EQ(std::string(FormatDateTimeA("hh:nn AM/PM", narrow, 16, At(14, 15))), "02:15 PM");
}

TEST(System, TimerChannelsStartNowAndVersionIsUnknown) {
    TimerRecord timer = InitTimer();
    for (const TimerChannel& channel : timer.channels) {
        EXPECT_EQ(channel.start, timer.channels[0].start);
        EXPECT_EQ(channel.speed, 1.0);
    }
    char16_t name[32];
    EXPECT_EQ(std::u16string(GetWindowsVersionName(name, 32, true)), u"Unknown");
    EXPECT_EQ(std::u16string(GetWindowsVersionName(name, 4, false)), u"Unk");
}
