#include "levelui/TextTags.h"

#include "foundation/NumberText.h"
#include "levelui/TextTagSources.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace {

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

bool IsIdentChar(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_';
}

char16_t Lower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c;
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

bool IsOneOf(char16_t c, const char16_t* set) {
    for (; set && *set; ++set)
        if (*set == c) return true;
    return false;
}

std::u16string Widen(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

// The arguments of one tag, read front to back.
class TagScanner {
  public:
    TagScanner(const char16_t* text, uint32_t length) : text_(text), length_(text ? length : 0) {}

    void SkipBlanks() {
        while (at_ < length_ && IsBlank(text_[at_]))
            ++at_;
    }

    // Blanks, then one token of identifier characters (and the extra ones),
    // lower-cased; empty when there is none.
    std::u16string Token(const char16_t* extra = nullptr) {
        SkipBlanks();
        std::u16string token;
        while (at_ < length_) {
            const char16_t c = text_[at_];
            if (!IsIdentChar(c) && !IsOneOf(c, extra)) break;
            token.push_back(Lower(c));
            ++at_;
        }
        return token;
    }

    uint32_t Hex(uint32_t fallback) {
        const std::u16string token = Token();
        if (token.empty()) return fallback;
        uint32_t value = 0;
        for (char16_t c : token) {
            const int d = HexDigit(c);
            if (d < 0) break;
            value = value << 4 | uint32_t(d);
        }
        return value;
    }

    int32_t Int(int32_t fallback) {
        const std::u16string token = Token();
        if (token.empty()) return fallback;
        int64_t value = 0;
        for (char16_t c : token) {
            if (c < u'0' || c > u'9') break;
            value = std::min<int64_t>(value * 10 + (c - u'0'), INT32_MAX);
        }
        return int32_t(value);
    }

    float Float(float fallback) {
        const std::u16string token = Token(u".eE+-");
        if (token.empty()) return fallback;
        std::string ascii(token.begin(), token.end());
        return std::strtof(ascii.c_str(), nullptr);
    }

    // A single non-blank character followed by a blank or the end; the
    // blanks after it are skipped.
    bool Mode(char16_t* mode) {
        SkipBlanks();
        if (at_ >= length_) return false;
        const char16_t c = text_[at_];
        if (at_ + 1 < length_ && !IsBlank(text_[at_ + 1])) return false;
        *mode = c;
        ++at_;
        SkipBlanks();
        return true;
    }

    // A mode letter that changes the value: L leaves it, U adds 1 to a
    // value of at least 1, a digit replaces it.
    bool Form(int32_t* value) {
        char16_t letter;
        if (!Mode(&letter)) return false;
        if (letter == u'U') {
            if (*value >= 1) ++*value;
        } else if (letter != u'L' && letter >= u'0' && letter <= u'9') {
            *value = letter - u'0';
        }
        return true;
    }

    // The rest of the tag text as it stands (after blanks).
    const char16_t* Rest(uint32_t* length) {
        SkipBlanks();
        *length = length_ - at_;
        return text_ + at_;
    }

  private:
    const char16_t* text_;
    uint32_t length_;
    uint32_t at_ = 0;
};

// The caller's buffer: cut at its end, the last character kept for the
// terminator, terminated after every write.
class TagOutput {
  public:
    TagOutput(char16_t* buffer, uint32_t capacity) : buffer_(buffer), capacity_(buffer ? capacity : 0) {
        if (capacity_ > 0) buffer_[0] = 0;
    }

    void Put(char16_t c) {
        if (used_ + 1 >= capacity_) return;
        buffer_[used_++] = c;
        buffer_[used_] = 0;
    }
    void Put(const char16_t* text, uint32_t length) {
        for (uint32_t i = 0; text && i < length; ++i)
            Put(text[i]);
    }
    void Put(const char16_t* text) {
        for (; text && *text; ++text)
            Put(*text);
    }
    void Ascii(const char* text) {
        for (; *text; ++text)
            Put(char16_t(*text));
    }
    void Number(int64_t value) { Put(kis::DecimalText(value).c_str()); }
    void Hex(uint32_t value, int digits) {
        static const char kDigits[] = "0123456789ABCDEF";
        for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
            Put(char16_t(kDigits[(value >> shift) & 0xF]));
    }

  private:
    char16_t* buffer_;
    uint32_t capacity_;
    uint32_t used_ = 0;
};

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kGreen = 0xFF008000;
constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kGrey = 0xFF808080;

// Which sprite libraries the pieces come from.
constexpr int32_t kInterfaceLibrary = 1;
constexpr int32_t kSmallIconLibrary = 2;

// Award tier colours, bronze to gold.
constexpr uint32_t kTierColours[3] = {0x7C4230, 0x6A685D, 0xD0831F};

class TagExpander {
  public:
    TagExpander(const TextTagSources& sources, TagScanner& scan, TagOutput& out)
        : sources_(sources), scan_(scan), out_(out) {}

    bool Expand(uintptr_t kind, uintptr_t object) {
        const std::u16string word = scan_.Token();
        if (word.empty() || word.size() > 31) return false;
        if (word == u"icon") return Icon();
        if (word == u"money") return Money();
        if (word == u"color") return Colour();
        if (word == u"task")
            return kind == kTagContextTask && object &&
                   Task(*reinterpret_cast<const LevelGoalEntry*>(object));
        if (word == u"plant") {
            TagPlant plant;
            return kind == kTagContextPlant && sources_.DescribePlant(object, &plant) && Plant(plant, 1);
        }
        if (word == u"mplant") {
            TagPlant plant;
            int32_t stage = 1;
            return kind == kTagContextPlantBed && sources_.DescribePlantBed(object, &plant, &stage) &&
                   Plant(plant, stage);
        }
        if (word == u"mbldng") return kind == kTagContextBuilding && Building(object);
        if (word == u"prdctn") return kind == kTagContextRecipe && Recipe(object);
        if (word == u"faward") return kind == kTagContextFinalAward && FinalAward();
        if (word == u"saward")
            return kind == kTagContextAward && object && Award(*reinterpret_cast<const AwardRecord*>(object));
        if (word == u"baward")
            return kind == kTagContextGoal && object && Goal(*reinterpret_cast<const AwardGoal*>(object));
        if (word == u"product") return kind == kTagContextProduct && Product(object);
        if (word == u"profile") return kind == kTagContextProfile && Profile(object);
        return false;
    }

  private:
    // ------------------------------------------------------------ pieces

    void ColouredText(const char16_t* text, uint32_t colour) {
        if (colour == 0) return out_.Put(text);
        out_.Ascii("<c=");
        out_.Hex(colour, 8);
        out_.Put(u'>');
        out_.Put(text);
        out_.Ascii("</c>");
    }

    void ColouredNumber(int64_t value, uint32_t colour) {
        ColouredText(kis::DecimalText(value).c_str(), colour);
    }

    // "<image=@HANDLE rect=L, T, W, H" of the frame; false (nothing
    // written) when the sprite has no texture or the frame is not there.
    bool ImageHead(const TagImage& image, int32_t frame) {
        if (image.texture == 0 || frame < 0 || frame >= image.frameCount) return false;
        out_.Ascii("<image=@");
        out_.Hex(image.texture, 8);
        out_.Ascii(" rect=");
        out_.Number(image.left);
        out_.Ascii(", ");
        out_.Number(image.top);
        out_.Ascii(", ");
        out_.Number(image.width);
        out_.Ascii(", ");
        out_.Number(image.height);
        return true;
    }

    // An icon-sized image of a sprite frame of library 2.
    void IconImage(const TagImage& image, int32_t frame, uint32_t colour) {
        if (!ImageHead(image, frame)) return;
        out_.Ascii(" w=24 h=22 offset=-5,-5 color=");
        out_.Hex(colour, 8);
        out_.Put(u'>');
    }

    void SmallIcon(const char16_t* name, int32_t frame, uint32_t colour) {
        TagImage image;
        if (name && sources_.FindImage(kSmallIconLibrary, name, frame, &image))
            IconImage(image, frame, colour);
    }

    void Coin() {
        TagImage image;
        if (sources_.FindImage(kSmallIconLibrary, u"small_coin", 0, &image) && ImageHead(image, 0))
            out_.Ascii(" w=18 offset=-2,0 color=ffffffff>");
    }

    void CheckMark(bool done) {
        TagImage image;
        const int32_t frame = done ? 1 : 0;
        if (sources_.FindImage(kInterfaceLibrary, u"awards_check", frame, &image) && image.frameCount >= 2 &&
            ImageHead(image, frame))
            out_.Ascii(" w=30 color=ffffffff>");
    }

    // The coin and the amount, green when a running level can pay it.
    void Price(int32_t amount, uint32_t okColour, uint32_t lackColour) {
        const bool affordable = sources_.LevelRunning() && amount <= sources_.LevelMoney();
        Coin();
        ColouredNumber(amount, affordable ? okColour : lackColour);
    }

    // value / divisor with up to three decimals, fewer as the whole part grows.
    void Ratio(int32_t value, float divisor, uint32_t colour) {
        if (divisor == 0.0f || !std::isfinite(divisor)) divisor = 1.0f; // a bad divisor shows the value
        float q = float(value) / divisor;
        if (!std::isfinite(q)) q = 0.0f;
        const bool negative = q < 0.0f;
        q = std::min(std::fabs(q), 2.0e9f);
        int64_t whole = int64_t(q);
        int32_t thousandths = int32_t(std::ceil((q - float(whole)) * 1000.0f));
        if (thousandths > 950) {
            thousandths = 0;
            ++whole;
        }
        const int decimals = whole < 10 ? 3 : whole < 100 ? 2 : whole < 500 ? 1 : 0;
        // Two or one decimals cut the thousandths.
        const int32_t fraction = decimals == 3   ? thousandths
                                 : decimals == 2 ? thousandths / 10
                                                 : thousandths / 100;
        std::string text = negative && (whole != 0 || fraction != 0) ? "-" : "";
        text += std::to_string(whole);
        if (decimals != 0 && fraction != 0) {
            std::string digits = std::to_string(fraction);
            text += '.';
            text.append(size_t(decimals) - std::min(digits.size(), size_t(decimals)), '0');
            text += digits;
        }
        ColouredText(Widen(text).c_str(), colour);
    }

    const char16_t* Text(const char16_t* group, const char16_t* key, int32_t form) {
        return key ? sources_.Text(group, key, uint32_t(std::max(form, 0))) : nullptr;
    }

    // "N [form=0] [colour]": the indexed name of the key in the group.
    bool Name(const char16_t* group, const char16_t* key, uint32_t defaultColour) {
        if (!key) return false;
        const int32_t form = scan_.Int(0);
        const uint32_t colour = scan_.Hex(defaultColour);
        ColouredText(Text(group, key, form), colour);
        return true;
    }

    // ------------------------------------------------------------ tags

    bool Icon() {
        const std::u16string name = scan_.Token();
        if (name.empty()) return false;
        const int32_t frame = scan_.Int(0);
        const uint32_t colour = scan_.Hex(kWhite);
        TagImage image;
        if (!sources_.FindImage(kSmallIconLibrary, name.c_str(), frame, &image)) return false;
        IconImage(image, frame, colour);
        return true;
    }

    bool Money() {
        if (!sources_.LevelRunning()) return false;
        const uint32_t colour = scan_.Hex(0);
        Coin();
        ColouredNumber(sources_.LevelMoney(), colour);
        return true;
    }

    bool Colour() {
        const std::u16string token = scan_.Token();
        if (token.empty()) return false;
        if (token == u"r") {
            out_.Ascii("</color>");
            return true;
        }
        out_.Ascii("<color=");
        out_.Put(token.c_str());
        out_.Put(u'>');
        return true;
    }

    bool Task(const LevelGoalEntry& goal) {
        char16_t mode;
        if (!scan_.Mode(&mode)) return false;
        switch (mode) {
        case u'N': {
            static const char16_t* const kGroups[] = {nullptr, u"products", u"plants", u"buildings"};
            if (goal.kind < 1 || goal.kind > 3) return true; // other kinds have no name
            return Name(kGroups[goal.kind], sources_.GoalObjectName(goal.kind, goal.id), 0);
        }
        case u'L':
            ColouredNumber(goal.valueL, scan_.Hex(0));
            return true;
        case u'V':
            ColouredNumber(goal.valueV, scan_.Hex(0));
            return true;
        case u'R': {
            // Before its level runs (the level window on the map) nothing of a
            // goal is done yet: the whole target remains, rather than the tag
            // standing unexpanded in the goal's hint.
            int32_t progress = 0;
            if (sources_.LevelRunning() && !sources_.GoalProgress(goal, &progress)) return false;
            ColouredNumber(std::max<int64_t>(0, int64_t(goal.valueV) - progress), scan_.Hex(0));
            return true;
        }
        default:
            return false;
        }
    }

    // 'P' FORM [ok] [lack]: the price of a stage, 0 for a stage without one.
    bool StagePrice(int32_t stage, const int32_t (&prices)[4], int32_t stages) {
        if (!scan_.Form(&stage)) return false;
        if (stage == -1) stage = 1;
        const uint32_t ok = scan_.Hex(kGreen);
        const uint32_t lack = scan_.Hex(kRed);
        const bool priced = stage >= 1 && stage <= 4 && stage <= stages;
        Price(priced ? prices[stage - 1] : 0, ok, lack);
        return true;
    }

    bool Plant(const TagPlant& plant, int32_t stage) {
        char16_t mode;
        if (!scan_.Mode(&mode)) return false;
        if (mode == u'N') return Name(u"plants", plant.name, 0);
        if (mode == u'P') return StagePrice(stage, plant.prices, 4);
        return false;
    }

    bool Building(uintptr_t object) {
        TagBuilding building;
        char16_t mode;
        if (!sources_.DescribeBuilding(object, &building) || !scan_.Mode(&mode)) return false;
        if (mode == u'N') return Name(u"buildings", building.name, 0);
        if (mode == u'P') return StagePrice(building.stage, building.prices, building.levelCount);
        if (mode != u'F' || building.kind != 1 || !scan_.Mode(&mode)) return false;
        if (mode == u'C') {
            ColouredNumber(int64_t(std::max(building.stage - 1, 0)) + 1, scan_.Hex(kGreen));
            return true;
        }
        if (mode == u'N' && building.product) {
            ColouredText(Text(u"products", building.product, 0), scan_.Hex(kGreen));
            return true;
        }
        return false;
    }

    bool Recipe(uintptr_t object) {
        TagRecipe recipe;
        char16_t mode;
        if (!sources_.DescribeRecipe(object, &recipe) || !scan_.Mode(&mode)) return false;
        if (mode == u'N') return Name(u"products", recipe.name, 0);
        if (mode != u'I') return false;
        const int32_t index = scan_.Int(0);
        const int32_t count = std::clamp(recipe.ingredientCount, 0, TagRecipe::kMaxIngredients);
        if (count == 0) {
            ColouredText(u"None", kGrey);
            return true;
        }
        TagProduct product;
        if (index < 0 || index >= count ||
            !sources_.DescribeProduct(recipe.ingredients[index].product, &product))
            return false;
        const bool enough = recipe.ingredients[index].needed <= sources_.StockCount(product.id);
        SmallIcon(product.icon, enough ? 1 : 0, kWhite);
        ColouredText(Text(u"products", product.name, 0), enough ? kGreen : kRed);
        return true;
    }

    bool FinalAward() {
        char16_t mode;
        if (!scan_.Mode(&mode) || mode != u'N') return false;
        return Name(u"awards", u"final", 0);
    }

    // One line of an award's description: "\n<color=RRGGBB>", a check mark
    // when asked, the label, ": ", the number and "</color>".
    void AwardLine(const char* colour, int check, const char16_t* label, int32_t value) {
        out_.Ascii("\n<color=");
        out_.Ascii(colour);
        out_.Put(u'>');
        if (check >= 0) CheckMark(check != 0);
        out_.Put(Text(u"awards", label, 0));
        out_.Ascii(": ");
        out_.Number(value);
        out_.Ascii("</color>");
    }

    bool Award(const AwardRecord& award) {
        char16_t mode;
        if (award.index < 0 || award.index >= kAwardCount || !scan_.Mode(&mode)) return false;
        if (mode == u'N') return Name(u"awards", award.key, kGreen);
        if (mode == u'C') {
            const int32_t tier = std::clamp(scan_.Int(1) - 1, 0, 2);
            out_.Ascii("<color=");
            out_.Hex(kTierColours[tier], 6);
            out_.Put(u'>');
            return true;
        }
        if (mode != u'D') return false;
        AwardCounters counters;
        if (!sources_.CurrentAwards(&counters)) return false;
        const int32_t value = counters.awards[award.index];
        const int tier = AwardTier(award, value);
        std::u16string description(award.key);
        description += u"_desc";
        out_.Put(Text(u"awards", description.c_str(), 0));
        AwardLine("007e21", -1, u"current", value);
        AwardLine("d0831f", tier == kTierGold, u"gold", award.gold);
        AwardLine("6a685d", tier > kTierBronze, u"silver", award.silver);
        AwardLine("7c4230", tier > kTierNone, u"bronze", award.bronze);
        return true;
    }

    // Goal 5 counts a value shown as a ratio.
    static constexpr int kRatioGoal = 5;
    static bool HasLiveValue(int goal) { return goal >= 3 && goal <= 6; }

    bool Goal(const AwardGoal& goal) {
        char16_t mode;
        const int k = goal.index;
        if (k < 0 || k >= kGoalCount || !scan_.Mode(&mode)) return false;
        switch (mode) {
        case u'N':
            return Name(u"awards", goal.key, 0);
        case u'C':
            if (k == kRatioGoal) {
                const float divisor = scan_.Float(1.0f);
                Ratio(goal.target, divisor, scan_.Hex(0));
            } else {
                ColouredNumber(goal.target, scan_.Hex(0));
            }
            return true;
        case u'V':
            return GoalValue(k);
        case u'R':
            return StoredGoalValue(k);
        default:
            return false;
        }
    }

    // 'V': the rest of the tag as it stands, then the live value coloured by
    // that rest read as a colour; goals 3 to 6 only while a level is played.
    bool GoalValue(int k) {
        int32_t value = 0;
        if (HasLiveValue(k)) {
            if (!sources_.PlayingLevel()) return true;
            if (!sources_.LiveGoalValue(k, &value)) return false;
        } else {
            AwardCounters counters;
            if (!sources_.CurrentAwards(&counters)) return false;
            value = counters.goals[k];
        }
        const float divisor = k == kRatioGoal ? scan_.Float(1.0f) : 1.0f;
        uint32_t restLength = 0;
        const char16_t* rest = scan_.Rest(&restLength);
        out_.Put(rest, restLength);
        const uint32_t colour = scan_.Hex(0);
        if (k == kRatioGoal)
            Ratio(value, divisor, colour);
        else
            ColouredNumber(value, colour);
        return true;
    }

    // 'R': the rest of the tag as it stands, then the profile's stored
    // counter; goals 3 to 6 only.
    bool StoredGoalValue(int k) {
        AwardCounters counters;
        if (!HasLiveValue(k) || !sources_.CurrentAwards(&counters)) return false;
        const float divisor = k == kRatioGoal ? scan_.Float(1.0f) : 1.0f;
        uint32_t restLength = 0;
        const char16_t* rest = scan_.Rest(&restLength);
        out_.Put(rest, restLength);
        if (k == kRatioGoal)
            Ratio(counters.goals[k], divisor, 0);
        else
            out_.Number(counters.goals[k]);
        return true;
    }

    bool Product(uintptr_t object) {
        TagProduct product;
        char16_t mode;
        if (!sources_.DescribeProduct(object, &product) || !scan_.Mode(&mode)) return false;
        switch (mode) {
        case u'I':
            SmallIcon(product.icon, 1, kWhite);
            return true;
        case u'N':
            return Name(u"products", product.name, 0);
        case u'P': {
            const uint32_t colour = scan_.Hex(kGreen);
            Price(product.price, colour, colour);
            return true;
        }
        case u'W': {
            int32_t level = sources_.LevelRunning() ? sources_.WarehouseLevel() : 1;
            if (!scan_.Form(&level)) return false;
            int32_t capacity = 0;
            if (!sources_.ProductCapacity(object, level, &capacity)) return false;
            ColouredNumber(capacity, scan_.Hex(0));
            return true;
        }
        default:
            return false;
        }
    }

    bool Profile(uintptr_t object) {
        char16_t mode;
        if (!scan_.Mode(&mode) || mode != u'N') return false;
        const char16_t* name = sources_.ProfileName(object);
        if (!name) return false;
        ColouredText(name, scan_.Hex(0));
        return true;
    }

    const TextTagSources& sources_;
    TagScanner& scan_;
    TagOutput& out_;
};

} // namespace

int32_t ExpandTextTag(const char16_t* tag, uint32_t length, char16_t* out, uint32_t capacity, uintptr_t kind,
                      uintptr_t object) {
    if (!tag || !out || capacity == 0) return 0;
    TagScanner scan(tag, length);
    TagOutput output(out, capacity);
    TagExpander expander(GetTextTagSources(), scan, output);
    if (expander.Expand(kind, object)) return 1;
    out[0] = 0; // an unexpanded tag writes nothing of its own
    return 0;
}
