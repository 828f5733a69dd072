#include "tools/soundsynth/Recipes.h"

#include "tools/common/SourceTree.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>

namespace soundsynth {
namespace {

constexpr int kMaxRepeat = 64;
constexpr double kMaxEffectSeconds = 10.0;
constexpr double kMaxTuneSeconds = 180.0;

using Node = SourceNode;

struct RecipeError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The section and, once known, the recipe it makes, for messages.
struct Where {
    const Node& node;
    std::string recipe;
    std::string Text() const { return node.name + (recipe.empty() ? "" : " \"" + recipe + "\""); }
};

[[noreturn]] void Fail(const Where& where, const std::string& what) {
    throw RecipeError(where.Text() + ": " + what);
}

std::vector<std::string> Values(const Node& node, const std::string& key) {
    std::vector<std::string> out;
    for (const auto& [k, v] : node.entries)
        if (k == key) out.push_back(v);
    return out;
}

std::string Text(const Where& where, const std::string& key) {
    const std::vector<std::string> values = Values(where.node, key);
    if (values.size() > 1) Fail(where, "\"" + key + "\" given twice");
    return values.empty() ? std::string() : values[0];
}

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, ',')) {
        const size_t first = part.find_first_not_of(" \t"), last = part.find_last_not_of(" \t");
        parts.push_back(first == std::string::npos ? std::string() : part.substr(first, last - first + 1));
    }
    return parts;
}

double Number(const Where& where, const std::string& key, const std::string& text) {
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end || errno || !std::isfinite(value))
        Fail(where, "\"" + key + "\" is not a number: " + text);
    return value;
}

// The numbers of a key: between `least` and `most` of them (none when the key is absent).
std::vector<double> Numbers(const Where& where, const std::string& key, size_t least, size_t most) {
    const std::string text = Text(where, key);
    if (text.empty()) return {};
    std::vector<double> out;
    for (const std::string& part : Split(text))
        out.push_back(Number(where, key, part));
    if (out.size() < least || out.size() > most)
        Fail(where, "\"" + key + "\" takes " + std::to_string(least) +
                        (most > least ? " to " + std::to_string(most) : "") + " values: " + text);
    return out;
}

double Real(const Where& where, const std::string& key, double fallback, double least, double most) {
    const std::vector<double> values = Numbers(where, key, 1, 1);
    const double value = values.empty() ? fallback : values[0];
    if (value < least || value > most)
        Fail(where, "\"" + key + "\" lies outside " + std::to_string(least) + " to " + std::to_string(most));
    return value;
}

void Positive(const Where& where, const std::string& key, double value) {
    if (!(value > 0.0)) Fail(where, "\"" + key + "\" must be above 0");
}

constexpr const char* kVoiceKeys[] = {"wave",    "duty",    "volume",   "envelope",  "vibrato",
                                      "tremolo", "lowpass", "highpass", "pitch_drop"};

// Refuses keys the section does not take, so a misspelt key is not lost;
// with `voice` the keys of a voice are taken too.
void OnlyKeys(const Where& where, std::initializer_list<const char*> keys, bool voice = false) {
    for (const auto& entry : where.node.entries) {
        auto same = [&](const char* key) { return entry.first == key; };
        if (std::none_of(keys.begin(), keys.end(), same) &&
            !(voice && std::any_of(std::begin(kVoiceKeys), std::end(kVoiceKeys), same)))
            Fail(where, "unknown key \"" + entry.first + "\"");
    }
}

bool IsIdentifier(const std::string& name) {
    if (name.empty() || name.size() > 31) return false;
    return std::all_of(name.begin(), name.end(),
                       [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'; });
}

std::string Name(Where& where) {
    const std::string name = LowerAscii(Text(where, "name"));
    if (!IsIdentifier(name)) Fail(where, "needs a name of letters, digits and '_', at most 31 long");
    where.recipe = name;
    return name;
}

bool Flag(const Where& where, const std::string& key) {
    const std::string text = LowerAscii(Text(where, key));
    if (text.empty() || text == "no" || text == "0") return false;
    if (text == "yes" || text == "1") return true;
    Fail(where, "\"" + key + "\" is yes or no: " + text);
}

Voice ReadVoice(const Where& where) {
    Voice v;
    const std::string wave = LowerAscii(Text(where, "wave"));
    if (wave == "sine" || wave.empty())
        v.wave = Wave::Sine;
    else if (wave == "square")
        v.wave = Wave::Square;
    else if (wave == "triangle")
        v.wave = Wave::Triangle;
    else if (wave == "saw")
        v.wave = Wave::Saw;
    else if (wave == "noise")
        v.wave = Wave::Noise;
    else
        Fail(where, "unknown wave \"" + wave + "\" (sine, square, triangle, saw or noise)");
    v.duty = Real(where, "duty", 0.5, 0.01, 0.99);
    v.volume = Real(where, "volume", 1.0, 0.0, 4.0);
    if (auto e = Numbers(where, "envelope", 4, 4); !e.empty()) {
        if (e[0] < 0 || e[1] < 0 || e[3] < 0 || e[2] < 0 || e[2] > 1)
            Fail(where, "\"envelope\" is attack, decay, sustain (0 to 1), release; none below 0");
        v.envelope = {e[0], e[1], e[2], e[3]};
    }
    if (auto x = Numbers(where, "vibrato", 2, 2); !x.empty()) {
        if (x[0] < 0 || x[1] < 0 || x[1] >= 1) Fail(where, "\"vibrato\" is a rate and a depth below 1");
        v.vibratoRate = x[0];
        v.vibratoDepth = x[1];
    }
    if (auto x = Numbers(where, "tremolo", 2, 2); !x.empty()) {
        if (x[0] < 0 || x[1] < 0 || x[1] > 1) Fail(where, "\"tremolo\" is a rate and a depth of 0 to 1");
        v.tremoloRate = x[0];
        v.tremoloDepth = x[1];
    }
    if (auto x = Numbers(where, "lowpass", 1, 2); !x.empty()) {
        for (double hz : x)
            Positive(where, "lowpass", hz);
        v.lowpassFrom = x[0];
        v.lowpassTo = x.size() > 1 ? x[1] : x[0];
    }
    v.highpass = Real(where, "highpass", 0.0, 0.0, kSampleRate / 2.0);
    if (auto x = Numbers(where, "pitch_drop", 2, 2); !x.empty()) {
        Positive(where, "pitch_drop", x[0]);
        if (x[1] < 0) Fail(where, "\"pitch_drop\" takes a time of 0 or more");
        v.pitchDrop = x[0];
        v.pitchDropTime = x[1];
    }
    return v;
}

Layer ReadLayer(const Where& sound, const Node& node) {
    Where where{node, sound.recipe};
    OnlyKeys(where, {"at", "length", "pitch", "repeat"}, true);
    Layer layer;
    layer.voice = ReadVoice(where);
    layer.at = Real(where, "at", 0.0, 0.0, kMaxEffectSeconds);
    layer.length = Real(where, "length", 0.0, 0.0, kMaxEffectSeconds);
    Positive(where, "length", layer.length);
    if (layer.voice.envelope.release > layer.length) Fail(where, "the release is longer than the layer");
    const std::vector<double> pitch = Numbers(where, "pitch", 1, 2);
    if (pitch.empty()) Fail(where, "needs a pitch");
    for (double hz : pitch)
        Positive(where, "pitch", hz);
    layer.pitchFrom = pitch[0];
    layer.pitchTo = pitch.size() > 1 ? pitch[1] : pitch[0];
    if (auto r = Numbers(where, "repeat", 2, 4); !r.empty()) {
        if (r[0] != std::floor(r[0]) || r[0] < 1 || r[0] > kMaxRepeat)
            Fail(where, "\"repeat\" needs a count of 1 to " + std::to_string(kMaxRepeat));
        if (r[1] < 0) Fail(where, "\"repeat\" needs an interval of 0 or more");
        layer.repeat = int(r[0]);
        layer.interval = r[1];
        layer.pitchStep = r.size() > 2 ? r[2] : 1.0;
        layer.volumeStep = r.size() > 3 ? r[3] : 1.0;
        Positive(where, "repeat", layer.pitchStep);
        if (layer.volumeStep < 0) Fail(where, "\"repeat\" takes a volume step of 0 or more");
    }
    return layer;
}

Effect ReadEffect(const Node& node) {
    Where where{node, ""};
    Effect effect;
    effect.name = Name(where);
    OnlyKeys(where, {"name", "length", "peak", "loop"});
    effect.length = Real(where, "length", 0.0, 0.0, kMaxEffectSeconds);
    effect.peak = Real(where, "peak", 0.7, 0.01, kMaxPeak);
    effect.loop = Flag(where, "loop");
    for (const Node& child : node.children) {
        if (child.name != "layer") Fail(where, "unknown section \"" + child.name + "\"");
        effect.layers.push_back(ReadLayer(where, child));
    }
    if (effect.layers.empty()) Fail(where, "has no layer");
    if (effect.loop && effect.length <= 0.0) Fail(where, "a looping sound needs its length");
    if (double(EffectFrames(effect)) > kMaxEffectSeconds * kSampleRate)
        Fail(where, "is longer than 10 seconds");
    return effect;
}

Instrument ReadInstrument(const Node& node) {
    Where where{node, ""};
    Instrument instrument;
    instrument.name = Name(where);
    OnlyKeys(where, {"name", "gate", "hit"}, true);
    instrument.voice = ReadVoice(where);
    instrument.gate = Real(where, "gate", 0.9, 0.01, 1.0);
    instrument.hit = Real(where, "hit", 200.0, 1.0, kSampleRate);
    if (!node.children.empty()) Fail(where, "unknown section \"" + node.children[0].name + "\"");
    return instrument;
}

// "C5:1", "C4+E4+G4:2", "x:0.5" (a hit) or "-:1" (a rest).
Note ReadNote(const Where& where, const std::string& token, double beat) {
    const size_t colon = token.find(':');
    if (colon == std::string::npos || colon == 0) Fail(where, "a note is pitch:beats, not \"" + token + "\"");
    Note note;
    note.beat = beat;
    note.beats = Number(where, "notes", token.substr(colon + 1));
    Positive(where, "notes", note.beats);
    const std::string pitches = token.substr(0, colon);
    if (pitches == "-") return note;
    std::istringstream in(pitches);
    std::string name;
    while (std::getline(in, name, '+')) {
        double hz = 0.0;
        if (name != "x" && !NoteFrequency(name, &hz)) Fail(where, "\"" + name + "\" is not a note");
        note.pitches.push_back(hz);
    }
    return note;
}

Part ReadPart(const Where& tune, const Node& node) {
    Where where{node, tune.recipe};
    OnlyKeys(where, {"instrument", "volume", "repeat", "notes"});
    Part part;
    part.instrument = LowerAscii(Text(where, "instrument"));
    if (part.instrument.empty()) Fail(where, "names no instrument");
    part.volume = Real(where, "volume", 1.0, 0.0, 4.0);
    const double repeat = Real(where, "repeat", 1.0, 1.0, kMaxRepeat);
    if (repeat != std::floor(repeat)) Fail(where, "\"repeat\" is a whole number");
    std::vector<Note> once;
    double beat = 0.0;
    for (const std::string& line : Values(node, "notes")) {
        std::istringstream in(line);
        std::string token;
        while (in >> token) {
            once.push_back(ReadNote(where, token, beat));
            beat += once.back().beats;
        }
    }
    if (once.empty()) Fail(where, "has no notes");
    for (int r = 0; r < int(repeat); ++r)
        for (Note note : once) {
            note.beat += beat * r;
            part.notes.push_back(note);
        }
    return part;
}

Tune ReadTune(const Node& node) {
    Where where{node, ""};
    Tune tune;
    tune.name = Name(where);
    OnlyKeys(where, {"name", "tempo", "beats", "peak"});
    tune.tempo = Real(where, "tempo", 120.0, 20.0, 400.0);
    tune.beats = Real(where, "beats", 0.0, 0.0, 4096.0);
    tune.peak = Real(where, "peak", 0.6, 0.01, kMaxPeak);
    for (const Node& child : node.children) {
        if (child.name != "part") Fail(where, "unknown section \"" + child.name + "\"");
        tune.parts.push_back(ReadPart(where, child));
    }
    if (tune.parts.empty()) Fail(where, "has no part");
    for (const Part& part : tune.parts)
        if (tune.beats > 0.0 && part.Beats() > tune.beats + 1e-9)
            Fail(where, "a part of " + std::to_string(part.Beats()) + " beats is longer than the tune");
    if (double(TuneFrames(tune)) > kMaxTuneSeconds * kSampleRate) Fail(where, "is longer than 180 seconds");
    return tune;
}

void ReadEvents(const Node& node, Recipes* recipes) {
    Where where{node, ""};
    for (const auto& [key, value] : node.entries) {
        if (key != "slot") Fail(where, "unknown key \"" + key + "\"");
        const std::vector<std::string> parts = Split(value);
        if (parts.size() != 2) Fail(where, "a slot is a number and a sound name: " + value);
        const double slot = Number(where, "slot", parts[0]);
        if (slot != std::floor(slot) || slot < 0 || slot > 255) Fail(where, "bad slot number " + parts[0]);
        recipes->events.emplace_back(int(slot), LowerAscii(parts[1]));
    }
}

} // namespace

bool ReadRecipeFile(const std::string& path, Recipes* recipes, std::string* error) {
    Node root;
    if (!ReadSourceTree(path, &root, error)) return false;
    try {
        if (!root.entries.empty()) throw RecipeError("\"" + root.entries[0].first + "\" outside a section");
        for (const Node& child : root.children) {
            if (child.name == "sound")
                recipes->effects.push_back(ReadEffect(child));
            else if (child.name == "instrument")
                recipes->instruments.push_back(ReadInstrument(child));
            else if (child.name == "tune")
                recipes->tunes.push_back(ReadTune(child));
            else if (child.name == "events")
                ReadEvents(child, recipes);
            else
                throw RecipeError("unknown section \"" + child.name + "\"");
        }
    } catch (const RecipeError& e) {
        *error = path + ": " + e.what();
        return false;
    }
    return true;
}

bool ReadRecipeFolder(const std::string& folder, Recipes* recipes, std::string* error) {
    std::vector<std::string> files;
    std::error_code failure;
    for (const auto& entry : std::filesystem::directory_iterator(folder, failure))
        if (entry.is_regular_file() && entry.path().extension() == ".txt")
            files.push_back(entry.path().string());
    if (failure) return *error = folder + ": cannot be read", false;
    std::sort(files.begin(), files.end());
    for (const std::string& file : files)
        if (!ReadRecipeFile(file, recipes, error)) return false;
    return true;
}

std::string CheckRecipes(const Recipes& recipes, int slotCount) {
    std::set<std::string> effects, instruments, tunes;
    for (const Effect& effect : recipes.effects)
        if (!effects.insert(effect.name).second) return "the sound \"" + effect.name + "\" is given twice";
    for (const Instrument& instrument : recipes.instruments)
        if (!instruments.insert(instrument.name).second)
            return "the instrument \"" + instrument.name + "\" is given twice";
    for (const Tune& tune : recipes.tunes) {
        if (!tunes.insert(tune.name).second) return "the tune \"" + tune.name + "\" is given twice";
        for (const Part& part : tune.parts)
            if (!instruments.count(part.instrument))
                return "the tune \"" + tune.name + "\" names no instrument \"" + part.instrument + "\"";
    }
    std::set<int> slots;
    for (const auto& [slot, name] : recipes.events) {
        if (slot < 0 || slot >= slotCount)
            return "event slot " + std::to_string(slot) + " lies outside 0 to " +
                   std::to_string(slotCount - 1);
        if (!slots.insert(slot).second) return "event slot " + std::to_string(slot) + " is named twice";
        if (!effects.count(name))
            return "event slot " + std::to_string(slot) + " names no sound \"" + name + "\"";
    }
    return {};
}

const Effect* FindEffect(const Recipes& recipes, const std::string& name) {
    for (const Effect& effect : recipes.effects)
        if (effect.name == name) return &effect;
    return nullptr;
}

const Tune* FindTune(const Recipes& recipes, const std::string& name) {
    for (const Tune& tune : recipes.tunes)
        if (tune.name == name) return &tune;
    return nullptr;
}

} // namespace soundsynth
