#include "engine/Log.h"

#include "foundation/Dates.h"
#include "foundation/Paths.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Utf.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kMaxIndent = 16;
constexpr int kMaxColumn = 64;
constexpr int kMaxPlaceholder = 512;
constexpr size_t kFormatBuffer = 1024;

struct Section {
    std::string successText;
    int indent;
};

struct Placeholder {
    uint32_t offset;
    uint32_t width;
};

struct LogState {
    bool active = false;
    // The log's own file, made new at the start and held open to the finish:
    // never opened again by name, so an entry put at its name while the game
    // runs (a link to a file elsewhere) takes nothing.
    platform::File file;
    int column = 0;
    int indent = 0;
    std::vector<Section> sections;
    std::vector<Placeholder> placeholders;
    std::string line; // the line being written, kept for its capacity
};

LogState& State() {
    static LogState state;
    return state;
}

int IndentOf(int indent) {
    return indent < 0 ? State().indent : indent;
}

kis::SystemTime LocalTime() {
    platform::LocalTime t = platform::Now();
    return kis::SystemTime{uint16_t(t.year),   uint16_t(t.month),       uint16_t(t.dayOfWeek),
                           uint16_t(t.day),    uint16_t(t.hour),        uint16_t(t.minute),
                           uint16_t(t.second), uint16_t(t.milliseconds)};
}

// Appends bytes at the end of the file. The file offset where they went, or
// -1 when the file could not be written.
int64_t Append(const std::string& bytes) {
    platform::File& file = State().file;
    const int64_t offset = file.Seek(0, platform::SeekOrigin::End);
    if (offset < 0) return -1;
    if (!bytes.empty() && !file.WriteExact(bytes.data(), int64_t(bytes.size()))) return -1;
    return offset;
}

// Writes text on the current line; the column advances whether or not the
// file could be written.
int64_t Write(const std::string& text) {
    State().column += int(text.size());
    return Append(text);
}

void NewLine(int indent) {
    const int spaces = std::clamp(indent, 0, kMaxIndent);
    Append("\r\n" + std::string(size_t(spaces), ' '));
    State().column = spaces;
}

void Pad(int column) {
    if (column == 0) return;
    column = column < 0 ? kLogLabelColumn : std::min(column, kMaxColumn);
    const int spaces = State().column >= column ? 1 : column - State().column;
    Write(std::string(size_t(spaces), ' '));
}

// A new line with its label and, when there is a value, the value from the
// label column on. The line is put together in the state's own buffer and
// written in one piece: one open of the file, no allocation once the buffer
// has grown to the longest line.
void LabelValue(int indent, const char* label, const char* value) {
    LogState& s = State();
    const int spaces = std::clamp(IndentOf(indent), 0, kMaxIndent);
    const char* text = label ? label : "";
    std::string& line = s.line;
    line.assign("\r\n");
    line.append(size_t(spaces), ' ');
    line.append(text);
    int column = spaces + int(std::strlen(text));
    if (value && value[0]) {
        const int padColumn = std::min(kLogLabelColumn, kMaxColumn);
        const int pad = column >= padColumn ? 1 : padColumn - column;
        line.append(size_t(pad), ' ');
        line.append(value);
        column += pad + int(std::strlen(value));
    }
    s.column = column;
    Append(line);
}

// UTF-16 text in the active code page; a text whose 8-bit form does not fit
// 1024 bytes with its terminator converts to an empty text.
std::string Narrow(const char16_t* text) {
    if (!text) return std::string();
    std::string s = platform::FromUtf16(std::u16string_view(text));
    return s.size() < kFormatBuffer ? s : std::string();
}

// bufferSize is at most kFormatBuffer: the text is formatted on the stack.
std::string FormatV(size_t bufferSize, const char* format, va_list args) {
    char buffer[kFormatBuffer];
    // vsnprintf always terminates, also when the text fills the buffer.
    std::vsnprintf(buffer, std::min(bufferSize, kFormatBuffer), format ? format : "", args);
    return std::string(buffer);
}

// One conversion of a format as written ("%-8.3ls"): where it starts, its
// flags, width and precision (-1 when not given), length modifier and
// conversion character (0 when the format ends inside it).
struct Conversion {
    const char16_t* start = nullptr;
    std::string flags;
    int width = -1;
    int precision = -1;
    std::string length;
    char16_t kind = 0;

    bool Left() const { return flags.find('-') != std::string::npos; }
    // The 8-bit printf's conversion up to its length modifier: "%", the
    // flags, the width and the precision.
    std::string Spec() const {
        std::string spec = "%" + flags;
        if (width >= 0) spec += std::to_string(width);
        if (precision >= 0) {
            spec += '.';
            spec += std::to_string(precision);
        }
        return spec;
    }
};

// printf-style formatting of a UTF-16 format, as the wide printf does it:
// %s takes UTF-16 text and %c a UTF-16 unit (%hs and %hc their 8-bit forms
// in the active code page); numbers and pointers format as in printf. The
// result holds at most 1023 units, so that with its terminator it fits a
// buffer of 1024 characters.
class WideFormatter {
  public:
    explicit WideFormatter(va_list args) { va_copy(args_, args); }
    WideFormatter(const WideFormatter&) = delete;
    WideFormatter& operator=(const WideFormatter&) = delete;
    ~WideFormatter() { va_end(args_); }

    std::u16string Format(const char16_t* format) {
        if (!format) return out_;
        for (const char16_t* p = format; *p && out_.size() < kMaxUnits;) {
            if (*p != u'%') {
                out_.push_back(*p++);
                continue;
            }
            Conversion conversion;
            p = ReadConversion(p, &conversion);
            if (conversion.kind == 0) {
                out_.append(conversion.start, p); // an unfinished conversion stands as written
                break;
            }
            ++p;
            AppendConversion(conversion, p);
        }
        if (out_.size() > kMaxUnits) out_.resize(kMaxUnits);
        return out_;
    }

  private:
    static constexpr size_t kMaxUnits = kFormatBuffer - 1;

    // Reads the conversion that starts at the '%' at p (taking a * width or
    // precision from the arguments); the position of its conversion character.
    const char16_t* ReadConversion(const char16_t* p, Conversion* c) {
        c->start = p++;
        while (*p == u'-' || *p == u'+' || *p == u' ' || *p == u'#' || *p == u'0')
            c->flags.push_back(char(*p++));
        // A negative * width means left-justified, a negative * precision none.
        if (*p == u'*') {
            const int given = va_arg(args_, int);
            if (given < 0) c->flags.push_back('-');
            c->width = given < 0 ? (given < -100000 ? 100000 : -given) : std::min(given, 100000);
            ++p;
        } else if (*p >= u'0' && *p <= u'9') {
            c->width = 0;
            while (*p >= u'0' && *p <= u'9')
                c->width = std::min(c->width * 10 + int(*p++ - u'0'), 100000);
        }
        if (*p == u'.') {
            ++p;
            c->precision = 0;
            if (*p == u'*') {
                c->precision = va_arg(args_, int);
                ++p;
            } else {
                while (*p >= u'0' && *p <= u'9')
                    c->precision = std::min(c->precision * 10 + int(*p++ - u'0'), 100000);
            }
            c->precision = std::min(c->precision, 100000);
        }
        // Length modifiers: h, hh, l, ll, L, z, j, t.
        while (*p == u'h' || *p == u'l' || *p == u'L' || *p == u'z' || *p == u'j' || *p == u't')
            c->length.push_back(char(*p++));
        c->kind = *p;
        return p;
    }

    // Appends one conversion, its argument taken; end is just past it.
    void AppendConversion(const Conversion& c, const char16_t* end) {
        switch (c.kind) {
        case u'%':
            out_.push_back(u'%');
            break;
        case u'd':
        case u'i':
            AppendSigned(c.Spec() + c.length + char(c.kind), c.length);
            break;
        case u'u':
        case u'o':
        case u'x':
        case u'X':
            AppendUnsigned(c.Spec() + c.length + char(c.kind), c.length);
            break;
        case u'f':
        case u'F':
        case u'e':
        case u'E':
        case u'g':
        case u'G':
        case u'a':
        case u'A':
            if (c.length == "L")
                AppendNarrow(c.Spec() + "L" + char(c.kind), va_arg(args_, long double));
            else
                AppendNarrow(c.Spec() + char(c.kind), va_arg(args_, double));
            break;
        case u'p':
            AppendNarrow("%p", va_arg(args_, void*));
            break;
        case u'c': {
            const int unit = va_arg(args_, int);
            const char16_t ch =
                c.length == "h" ? platform::ToUtf16(std::string(1, char(unit)))[0] : char16_t(unit);
            AppendText(std::u16string_view(&ch, 1), c.width, -1, c.Left());
            break;
        }
        case u's':
            AppendString(c);
            break;
        case u'n':
            va_arg(args_, void*); // writes nothing back
            break;
        default:
            out_.append(c.start, end); // an unknown conversion stands as written
            break;
        }
    }

    void AppendSigned(const std::string& spec, const std::string& length) {
        if (length == "l")
            AppendNarrow(spec, va_arg(args_, long));
        else if (length == "ll")
            AppendNarrow(spec, va_arg(args_, long long));
        else if (length == "z" || length == "t")
            AppendNarrow(spec, va_arg(args_, ptrdiff_t));
        else if (length == "j")
            AppendNarrow(spec, va_arg(args_, intmax_t));
        else
            AppendNarrow(spec, va_arg(args_, int));
    }

    void AppendUnsigned(const std::string& spec, const std::string& length) {
        if (length == "l")
            AppendNarrow(spec, va_arg(args_, unsigned long));
        else if (length == "ll")
            AppendNarrow(spec, va_arg(args_, unsigned long long));
        else if (length == "z" || length == "t")
            AppendNarrow(spec, va_arg(args_, size_t));
        else if (length == "j")
            AppendNarrow(spec, va_arg(args_, uintmax_t));
        else
            AppendNarrow(spec, va_arg(args_, unsigned int));
    }

    // %s: UTF-16 text, or with h 8-bit text in the active code page.
    void AppendString(const Conversion& c) {
        if (c.length == "h") {
            const char* text = va_arg(args_, const char*);
            AppendText(platform::ToUtf16(text ? text : "(null)"), c.width, c.precision, c.Left());
        } else {
            const char16_t* text = va_arg(args_, const char16_t*);
            AppendText(text ? std::u16string_view(text) : std::u16string_view(u"(null)"), c.width,
                       c.precision, c.Left());
        }
    }

    // One conversion formatted by the 8-bit printf, widened (its output is ASCII).
    template <class T> void AppendNarrow(const std::string& spec, T value) {
        const int n = std::snprintf(nullptr, 0, spec.c_str(), value);
        if (n <= 0) return;
        std::string text(size_t(n) + 1, '\0');
        std::snprintf(text.data(), text.size(), spec.c_str(), value);
        for (int i = 0; i < n && out_.size() < kMaxUnits; ++i)
            out_.push_back(char16_t(uint8_t(text[size_t(i)])));
    }

    // Text padded to the width (on the right with '-'), cut to the precision.
    void AppendText(std::u16string_view text, int width, int precision, bool left) {
        if (precision >= 0 && text.size() > size_t(precision)) text = text.substr(0, size_t(precision));
        const size_t pad = width > 0 && size_t(width) > text.size() ? size_t(width) - text.size() : 0;
        if (!left) out_.append(pad, u' ');
        out_.append(text);
        if (left) out_.append(pad, u' ');
    }

    std::u16string out_;
    va_list args_;
};

std::u16string FormatWV(const char16_t* format, va_list args) {
    return WideFormatter(args).Format(format);
}

std::string Fit(std::string text, uint32_t width) {
    text.resize(width, ' ');
    return text;
}

} // namespace

bool LogStart(const char16_t* path) {
    LogState& s = State();
    if (s.active) return true;
    s.column = 0;
    s.indent = 0;
    s.sections.clear();
    s.placeholders.clear();
    const std::u16string_view given = path ? std::u16string_view(path) : std::u16string_view();
    if (given.empty()) return false;
    // The path is joined with the program's folder and kept in UTF-16 game
    // form, so that folder names outside ASCII or holding a backslash survive.
    std::u16string name(given);
    const bool absolute =
        given[0] == u'\\' || given[0] == u'/' || given.find(u':') != std::u16string_view::npos;
    if (!absolute) {
        char16_t folder[260], full[260];
        kis::GetModuleDirW(folder, 260);
        kis::MakeFullPathW(full, 260, path, folder, nullptr);
        name = full;
    }
    // The log of an earlier run goes; the new one is made new, never through
    // a link or into another entry at the name (the caller sets those aside).
    const platform::GamePath file(name);
    platform::DeleteFile(file);
    s.file = platform::File::Open(file, platform::kFileWrite, platform::FileCreation::CreateNew);
    if (!s.file.IsOpen()) return false;
    s.active = true;

    char date[64];
    kis::FormatDateTimeA("DD.MM.Y, HH:NN:SS", date, sizeof date, LocalTime());
    Write("LOG STARTED:");
    Pad(kLogLabelColumn);
    Write(date);
    NewLine(0); // an empty line after the start line
    return true;
}

void LogFinish() {
    LogState& s = State();
    if (!s.active) return;
    while (!s.sections.empty())
        LogEndSection(true);
    NewLine(0);
    Write("LOG FINISHED.");
    s.active = false;
    s.file.Close();
}

bool IsLogActive() {
    return State().active;
}

void LogLine(int indent, const char* text) {
    if (!State().active) return;
    NewLine(IndentOf(indent));
    Write(text ? text : "");
}

void LogLabelValue(int indent, const char* label, const char* value) {
    if (!State().active) return;
    LabelValue(indent, label, value);
}

void LogLabelValueW(int indent, const char16_t* label, const char16_t* value) {
    if (!State().active) return;
    const std::string l = Narrow(label), v = Narrow(value);
    LabelValue(indent, l.c_str(), v.c_str());
}

void LogLabelPrintf(int indent, const char* label, const char* format, ...) {
    if (!State().active) return;
    va_list args;
    va_start(args, format);
    const std::string value = FormatV(kFormatBuffer, format, args);
    va_end(args);
    LabelValue(indent, label, value.c_str());
}

void LogLabelChoice(int indent, const char* label, bool flag, const char* textIfTrue,
                    const char* textIfFalse) {
    LogLabelValue(indent, label, flag ? textIfTrue : textIfFalse);
}

void LogLabelChoiceW(int indent, const char16_t* label, bool flag, const char16_t* textIfTrue,
                     const char16_t* textIfFalse) {
    LogLabelValueW(indent, label, flag ? textIfTrue : textIfFalse);
}

void LogError(int indent, const char* message, HResult hr) {
    if (!State().active) return;
    std::string line = "ERROR! ";
    line += message ? message : "";
    // The name and description go through one 4096-byte buffer, as the
    // error-text functions give them.
    char text[4096];
    std::snprintf(text, sizeof text, "%s - %s", GetResultName(hr), GetResultDescription(hr));
    line += text;
    NewLine(IndentOf(indent));
    Write(line);
}

void LogErrorPrintf(int indent, const char* format, ...) {
    if (!State().active) return;
    va_list args;
    va_start(args, format);
    const std::string text = FormatV(kFormatBuffer, format, args);
    va_end(args);
    NewLine(IndentOf(indent));
    Write("ERROR! " + text);
}

void LogErrorPrintfW(int indent, const char16_t* format, ...) {
    if (!State().active) return;
    va_list args;
    va_start(args, format);
    const std::u16string text = FormatWV(format, args);
    va_end(args);
    NewLine(IndentOf(indent));
    Write("ERROR! " + Narrow(text.c_str()));
}

void LogBeginSection(const char* title, const char* successText, bool nested) {
    LogState& s = State();
    if (!s.active) return;
    if (!nested && !s.sections.empty()) LogEndSection(true);
    char time[32];
    kis::FormatDateTimeA("HH:NN:SS.ZZZ", time, sizeof time, LocalTime());
    LabelValue(kLogIndent, title, time);
    s.sections.push_back(Section{successText ? successText : "", s.indent});
    s.indent += 4;
}

void LogEndSection(bool success) {
    LogState& s = State();
    if (!s.active || s.sections.empty()) return;
    Section section = std::move(s.sections.back());
    s.sections.pop_back();
    s.indent = section.indent;
    if (success && !section.successText.empty()) {
        NewLine(s.indent);
        Write(section.successText);
    }
    NewLine(s.indent); // the empty line after a section
}

void LogPadToColumn(int column) {
    if (!State().active) return;
    Pad(column);
}

int LogPlaceholder(int width, const char* text) {
    LogState& s = State();
    const size_t length = text ? std::strlen(text) : 0;
    if (!s.active || (width < 1 && length == 0)) return -1;
    const uint32_t w = uint32_t(std::min<size_t>(width < 1 ? length : size_t(width), kMaxPlaceholder));
    const int64_t offset = Write(Fit(text ? text : "", w));
    if (offset < 0 || offset > INT32_MAX) return -1; // nothing written: no place to rewrite later
    s.placeholders.push_back(Placeholder{uint32_t(offset), w});
    return int(offset);
}

int LogRewrite(int handle, bool remove, const char* format, ...) {
    LogState& s = State();
    if (!s.active) return -1;
    auto it = std::find_if(s.placeholders.begin(), s.placeholders.end(),
                           [&](const Placeholder& p) { return int64_t(p.offset) == handle; });
    if (it == s.placeholders.end()) return -1;
    va_list args;
    va_start(args, format);
    const std::string text = Fit(FormatV(kMaxPlaceholder + 1, format, args), it->width);
    va_end(args);
    if (s.file.Seek(it->offset, platform::SeekOrigin::Begin) == int64_t(it->offset))
        s.file.WriteExact(text.data(), int64_t(text.size()));
    if (remove) {
        s.placeholders.erase(it);
        return -1;
    }
    return handle;
}

int LogForgetPlaceholder(int handle) {
    LogState& s = State();
    std::erase_if(s.placeholders, [&](const Placeholder& p) { return int64_t(p.offset) == handle; });
    return -1;
}
