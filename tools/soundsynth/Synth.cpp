#include "tools/soundsynth/Synth.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace soundsynth {
namespace {

constexpr double kTwoPi = 6.283185307179586;

// One sounding of a voice: from `start` seconds it is held `held` seconds,
// then released; its pitch slides from hzFrom to hzTo over `slide` seconds.
struct Sounding {
    const Voice* voice = nullptr;
    double start = 0.0;
    double held = 0.0;
    double hzFrom = 440.0, hzTo = 440.0;
    double slide = 0.0;
    double gain = 1.0;
    uint32_t seed = 1;
};

// The xorshift generator: the noise is the same on every run.
struct Noise {
    uint32_t state;
    explicit Noise(uint32_t seed) : state(seed ? seed : 0x9E3779B9u) {}
    double Next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return double(int32_t(state)) / 2147483648.0;
    }
};

// The step that smooths a band-limited square or saw edge at phase t.
double PolyBlep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

double HeldLevel(const Envelope& e, double t) {
    if (t < e.attack) return t / e.attack;
    t -= e.attack;
    if (t < e.decay) {
        const double x = 1.0 - t / e.decay;
        return e.sustain + (1.0 - e.sustain) * x * x;
    }
    return e.sustain;
}

double Level(const Envelope& e, double held, double t) {
    if (t < held) return HeldLevel(e, t);
    if (e.release <= 0.0) return 0.0;
    return HeldLevel(e, held) * std::max(0.0, 1.0 - (t - held) / e.release);
}

// The factor a value is multiplied by each frame to go from `from` to `to`
// in `frames` frames; 1 when there is no slide.
double SlideStep(double from, double to, double frames) {
    if (from <= 0.0 || to <= 0.0 || frames < 1.0 || from == to) return 1.0;
    return std::pow(to / from, 1.0 / frames);
}

double FilterCoefficient(double hz) {
    return 1.0 - std::exp(-kTwoPi * std::min(hz, kSampleRate * 0.45) / kSampleRate);
}

// Adds the sounding to out; frames past the end go on at the start when
// wrap is set, and are dropped otherwise.
void AddSounding(const Sounding& s, std::vector<float>& out, bool wrap) {
    const Voice& v = *s.voice;
    const double length = s.held + std::max(0.0, v.envelope.release);
    const size_t frames = size_t(std::ceil(length * kSampleRate));
    const size_t first = size_t(std::lround(s.start * kSampleRate));
    if (out.empty() || frames == 0) return;

    Noise noise(s.seed);
    double noiseValue = noise.Next();
    double hz = s.hzFrom;
    const double slideFrames = s.slide * kSampleRate;
    const double hzStep = SlideStep(s.hzFrom, s.hzTo, slideFrames);
    const double lowTo = v.lowpassTo > 0.0 ? v.lowpassTo : v.lowpassFrom;
    const double lowStep = SlideStep(v.lowpassFrom, lowTo, double(frames));
    double lowCut = v.lowpassFrom;
    double lowA = v.lowpassFrom > 0.0 ? FilterCoefficient(lowCut) : 1.0;
    const double highA = v.highpass > 0.0 ? FilterCoefficient(v.highpass) : 0.0;
    double low1 = 0.0, low2 = 0.0, high = 0.0, phase = 0.0;

    for (size_t i = 0; i < frames; ++i) {
        const double t = double(i) / kSampleRate;
        double f = hz;
        if (v.pitchDropTime > 0.0 && t < v.pitchDropTime)
            f *= std::pow(v.pitchDrop, 1.0 - t / v.pitchDropTime);
        if (v.vibratoDepth > 0.0) f *= 1.0 + v.vibratoDepth * std::sin(kTwoPi * v.vibratoRate * t);
        const double dt = std::min(f / kSampleRate, 1.0);

        double x = 0.0;
        switch (v.wave) {
        case Wave::Sine:
            x = std::sin(kTwoPi * phase);
            break;
        case Wave::Square:
            x = (phase < v.duty ? 1.0 : -1.0) + PolyBlep(phase, dt) -
                PolyBlep(std::fmod(phase + 1.0 - v.duty, 1.0), dt);
            break;
        case Wave::Triangle:
            x = 4.0 * std::fabs(phase - 0.5) - 1.0;
            break;
        case Wave::Saw:
            x = 2.0 * phase - 1.0 - PolyBlep(phase, dt);
            break;
        case Wave::Noise:
            x = noiseValue;
            break;
        }
        phase += dt;
        if (phase >= 1.0) {
            phase -= std::floor(phase);
            if (v.wave == Wave::Noise) noiseValue = noise.Next();
        }
        if (v.wave == Wave::Noise && dt >= 1.0) noiseValue = noise.Next();
        if (i < slideFrames) hz *= hzStep;

        if (v.lowpassFrom > 0.0) {
            low1 += lowA * (x - low1);
            low2 += lowA * (low1 - low2);
            x = low2;
            if (lowStep != 1.0) {
                lowCut *= lowStep;
                lowA = FilterCoefficient(lowCut);
            }
        }
        if (highA > 0.0) {
            high += highA * (x - high);
            x -= high;
        }
        double level = Level(v.envelope, s.held, t);
        if (v.tremoloDepth > 0.0)
            level *= 1.0 - v.tremoloDepth * 0.5 * (1.0 - std::cos(kTwoPi * v.tremoloRate * t));
        const float value = float(x * level * v.volume * s.gain);

        size_t at = first + i;
        if (at >= out.size()) {
            if (!wrap) break;
            at %= out.size();
        }
        out[at] += value;
    }
}

void Normalise(std::vector<float>& samples, double peak) {
    float loudest = 0.0f;
    for (float x : samples)
        loudest = std::max(loudest, std::fabs(x));
    if (loudest <= 0.0f) return;
    const double scale = std::min(peak, kMaxPeak) / double(loudest);
    for (float& x : samples)
        x = float(double(x) * scale);
}

// A fixed start for a recipe's noise, from its name.
uint32_t Seed(const std::string& name) {
    uint32_t hash = 2166136261u;
    for (char c : name)
        hash = (hash ^ uint8_t(c)) * 16777619u;
    return hash;
}

double LayerEnd(const Layer& layer) {
    return layer.at + double(std::max(layer.repeat, 1) - 1) * layer.interval + layer.length;
}

} // namespace

bool NoteFrequency(const std::string& name, double* hz) {
    static const int kSemitones[7] = {9, 11, 0, 2, 4, 5, 7}; // A B C D E F G from C
    if (name.size() < 2 || name.size() > 3) return false;
    const char letter = name[0];
    if (letter < 'A' || letter > 'G') return false;
    int semitone = kSemitones[letter - 'A'];
    size_t at = 1;
    if (name[at] == '#') {
        ++semitone;
        ++at;
    } else if (name[at] == 'b') {
        --semitone;
        ++at;
    }
    if (at + 1 != name.size() || name[at] < '0' || name[at] > '8') return false;
    const int midi = 12 * (name[at] - '0' + 1) + semitone;
    *hz = 440.0 * std::pow(2.0, double(midi - 69) / 12.0);
    return true;
}

size_t EffectFrames(const Effect& effect) {
    double length = effect.length;
    if (length <= 0.0)
        for (const Layer& layer : effect.layers)
            length = std::max(length, LayerEnd(layer));
    return size_t(std::lround(length * kSampleRate));
}

size_t TuneFrames(const Tune& tune) {
    double beats = tune.beats;
    if (beats <= 0.0)
        for (const Part& part : tune.parts)
            beats = std::max(beats, part.Beats());
    return size_t(std::lround(beats * 60.0 / tune.tempo * kSampleRate));
}

std::vector<float> RenderEffect(const Effect& effect) {
    std::vector<float> out(EffectFrames(effect), 0.0f);
    uint32_t seed = Seed(effect.name);
    for (const Layer& layer : effect.layers) {
        const double release = std::min(layer.voice.envelope.release, layer.length);
        Sounding s;
        s.voice = &layer.voice;
        s.held = layer.length - release;
        s.slide = layer.length;
        s.hzFrom = layer.pitchFrom;
        s.hzTo = layer.pitchTo;
        for (int r = 0; r < std::max(layer.repeat, 1); ++r) {
            s.start = layer.at + double(r) * layer.interval;
            s.seed = seed = seed * 1664525u + 1013904223u;
            AddSounding(s, out, effect.loop);
            s.hzFrom *= layer.pitchStep;
            s.hzTo *= layer.pitchStep;
            s.gain *= layer.volumeStep;
        }
    }
    Normalise(out, effect.peak);
    return out;
}

std::vector<float> RenderTune(const Tune& tune, const std::vector<Instrument>& instruments,
                              std::string* error) {
    std::map<std::string, const Instrument*> byName;
    for (const Instrument& instrument : instruments)
        byName[instrument.name] = &instrument;
    for (const Part& part : tune.parts) {
        if (!byName.count(part.instrument)) {
            if (error) *error = tune.name + ": no instrument \"" + part.instrument + "\"";
            return {};
        }
    }
    std::vector<float> out(TuneFrames(tune), 0.0f);
    const double beatSeconds = 60.0 / tune.tempo;
    uint32_t seed = Seed(tune.name);
    for (const Part& part : tune.parts) {
        const Instrument& instrument = *byName[part.instrument];
        Sounding s;
        s.voice = &instrument.voice;
        s.gain = part.volume;
        for (const Note& note : part.notes) {
            s.start = note.beat * beatSeconds;
            s.held = note.beats * beatSeconds * instrument.gate;
            for (double hz : note.pitches) {
                s.hzFrom = s.hzTo = hz > 0.0 ? hz : instrument.hit;
                s.seed = seed = seed * 1664525u + 1013904223u;
                AddSounding(s, out, true);
            }
        }
    }
    Normalise(out, tune.peak);
    return out;
}

std::vector<int16_t> ToPcm16(const std::vector<float>& samples) {
    std::vector<int16_t> out(samples.size());
    for (size_t i = 0; i < samples.size(); ++i)
        out[i] = int16_t(std::lround(std::clamp(double(samples[i]), -1.0, 1.0) * 32767.0));
    return out;
}

} // namespace soundsynth
