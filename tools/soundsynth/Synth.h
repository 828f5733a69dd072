#pragma once
// The game's sound synthesiser: short effects and looping tunes rendered
// from recipes (Recipes.h reads them from content/sound), sample by sample
// and the same way on every run, so a recipe always gives the same bytes.
//
// A voice is an oscillator (sine, square, triangle, saw or noise) with a
// pitch slide, vibrato, tremolo, an attack-decay-sustain-release envelope and
// simple filters. An effect adds up layers (a voice sounding at a time for a
// length, repeated when asked); a tune plays notes of instruments (voices)
// at a tempo. Both are scaled to a peak level, so no recipe can clip.

#include <cstdint>
#include <string>
#include <vector>

namespace soundsynth {

// Every sound and tune is mono at this rate; the mixer converts.
constexpr int kSampleRate = 22050;
// The highest peak a recipe may ask for (full scale is 1).
constexpr double kMaxPeak = 0.98;

enum class Wave { Sine, Square, Triangle, Saw, Noise };

struct Envelope {
    double attack = 0.0;  // seconds from silence to full
    double decay = 0.0;   // seconds from full down to the sustain level
    double sustain = 1.0; // 0..1
    double release = 0.0; // seconds from the held level down to silence
};

// How a voice sounds, whatever plays it.
struct Voice {
    Wave wave = Wave::Sine;
    double duty = 0.5; // square: the share of a cycle spent high
    Envelope envelope;
    double volume = 1.0;
    double vibratoRate = 0.0, vibratoDepth = 0.0; // Hz; share of the pitch
    double tremoloRate = 0.0, tremoloDepth = 0.0; // Hz; share of the level
    double lowpassFrom = 0.0, lowpassTo = 0.0;    // cut-off in Hz, sliding over the sounding; 0 none
    double highpass = 0.0;                        // cut-off in Hz; 0 none
    double pitchDrop = 1.0;                       // starts this many times higher ...
    double pitchDropTime = 0.0;                   // ... and falls to the pitch in these seconds
};

// One layer of an effect: a voice sounding from `at` for `length` seconds,
// its pitch sliding from pitchFrom to pitchTo; repeated `repeat` times,
// `interval` seconds apart, each repetition's pitch and volume multiplied
// by the steps.
struct Layer {
    Voice voice;
    double at = 0.0;
    double length = 0.0;
    double pitchFrom = 440.0, pitchTo = 440.0;
    int repeat = 1;
    double interval = 0.0;
    double pitchStep = 1.0;
    double volumeStep = 1.0;
};

struct Effect {
    std::string name;
    double length = 0.0; // seconds; 0: until the last layer ends
    double peak = 0.7;
    bool loop = false; // plays on as loaded; layers running past the end go on at the start
    std::vector<Layer> layers;
};

struct Instrument {
    std::string name;
    Voice voice;
    double gate = 0.9;  // share of a note's length held before its release
    double hit = 200.0; // the pitch of a hit ("x") in Hz
};

// A note or chord of a part; no pitches for a rest.
struct Note {
    double beat = 0.0;  // where it starts
    double beats = 1.0; // how long it lasts
    std::vector<double> pitches;
};

struct Part {
    std::string instrument;
    double volume = 1.0;
    std::vector<Note> notes;
    double Beats() const { return notes.empty() ? 0.0 : notes.back().beat + notes.back().beats; }
};

// A tune loops: notes ringing past its end go on at its start.
struct Tune {
    std::string name;
    double tempo = 120.0; // beats a minute
    double beats = 0.0;   // its length; 0: the longest part's
    double peak = 0.6;
    std::vector<Part> parts;
};

// The frequency of a note name such as "A4" (440 Hz), "C#5" or "Bb3";
// false when the text is not one (octaves 0 to 8).
bool NoteFrequency(const std::string& name, double* hz);

// Frames a rendering of the recipe has.
size_t EffectFrames(const Effect& effect);
size_t TuneFrames(const Tune& tune);

// The rendered samples, scaled so that the loudest is the recipe's peak.
std::vector<float> RenderEffect(const Effect& effect);
// Empty, with the reason, when a part names an instrument not given.
std::vector<float> RenderTune(const Tune& tune, const std::vector<Instrument>& instruments,
                              std::string* error);

// Samples of -1..1 as 16-bit values, rounded to nearest.
std::vector<int16_t> ToPcm16(const std::vector<float>& samples);

} // namespace soundsynth
