// Synthesises the game's sound effects into assets/ and the showcase
// example's tone and tune into examples/showcase/: a few notes each, every
// note one waveform with a short rise and an exponential fall, some sliding
// in pitch. Every sound is brought to the same loudness (its loudest 50 ms
// at the same RMS level), so that none stands out. Plain arithmetic on
// doubles and a fixed Ogg stream serial: the same files, byte for byte,
// every run.
//
//   cmake --build build --target make_sounds && build/make_sounds assets examples/showcase
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/sound_writer.h"

constexpr int32_t RATE = 48000;
constexpr double PI = 3.14159265358979323846;
constexpr double ATTACK_SECONDS = 0.004;
constexpr double RELEASE_SECONDS = 0.006;  // the last bit of a note fades to zero: no click
// Loudness of every effect: its loudest 50 ms window at this RMS (-15 dBFS),
// which keeps the peaks of all of them below -1 dBFS.
constexpr double TARGET_RMS = 0.178;
constexpr int32_t LOUDNESS_WINDOW = RATE / 20;

enum Timbre : int32_t {
    TIMBRE_SINE,    // a pure tone: ticks and pops
    TIMBRE_BELL,    // a tone with upper partials that die away faster: chimes
    TIMBRE_REED,    // odd partials, a soft square: the game's verdicts
    TIMBRE_PLUCK,   // a bright start that mellows: the tune's melody
};

struct Note {
    double start;    // seconds from the sound's start
    double length;   // seconds until it has died away
    double hz;       // pitch at the start
    double endHz;    // pitch at the end; the same for a steady note
    double level;    // loudness relative to the sound's other notes
    Timbre timbre;
};

// Equal-tempered pitches used below.
constexpr double C4 = 261.63, E4b = 311.13, G4 = 392.00, A4 = 440.00, C5 = 523.25, D5 = 587.33,
                 E5 = 659.26, G5 = 783.99, A5 = 880.00, C6 = 1046.50, G6 = 1567.98;

static std::vector<double> render(const std::vector<Note>& notes, double seconds, bool wrap);
static double partials(Timbre timbre, double phase, double t);
static void normalise(std::vector<double>& samples, double rms);
static PcmSound toPcm(const std::vector<double>& samples);
static bool writeWav(const std::string& path, const std::vector<Note>& notes);

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s ASSETS_DIR SHOWCASE_DIR\n", argv[0]);
        return 2;
    }
    const std::string assets = argv[1];
    const std::string showcase = argv[2];
    bool ok = true;

    // A game starts: a rising arpeggio.
    ok &= writeWav(assets + "/start.wav", {{0.00, 0.30, C5, C5, 1.0, TIMBRE_BELL},
                                           {0.07, 0.30, E5, E5, 1.0, TIMBRE_BELL},
                                           {0.14, 0.30, G5, G5, 1.0, TIMBRE_BELL},
                                           {0.21, 0.40, C6, C6, 1.0, TIMBRE_BELL}});
    // The cursor moves: a short high tick.
    ok &= writeWav(assets + "/move.wav", {{0.0, 0.04, G6, G6, 1.0, TIMBRE_SINE}});
    // A ball is placed: a pop falling an octave.
    ok &= writeWav(assets + "/place.wav", {{0.0, 0.11, A5, A4, 1.0, TIMBRE_SINE}});
    // The row is cleared: a soft sweep down.
    ok &= writeWav(assets + "/clear.wav", {{0.0, 0.20, G5, C4, 1.0, TIMBRE_REED}});
    // A row is answered without an exact match: two falling chime notes.
    ok &= writeWav(assets + "/answer.wav", {{0.00, 0.30, E5, E5, 1.0, TIMBRE_BELL},
                                            {0.09, 0.35, C5, C5, 0.9, TIMBRE_BELL}});
    // A row is answered with exact matches: three rising, brighter notes.
    ok &= writeWav(assets + "/answer_exact.wav", {{0.00, 0.25, C5, C5, 1.0, TIMBRE_BELL},
                                                  {0.08, 0.25, G5, G5, 1.0, TIMBRE_BELL},
                                                  {0.16, 0.40, C6, C6, 1.0, TIMBRE_BELL}});
    // Won: a fanfare ending on a chord.
    ok &= writeWav(assets + "/won.wav", {{0.00, 0.20, C5, C5, 1.0, TIMBRE_REED},
                                         {0.12, 0.20, E5, E5, 1.0, TIMBRE_REED},
                                         {0.24, 0.20, G5, G5, 1.0, TIMBRE_REED},
                                         {0.36, 0.90, C6, C6, 1.0, TIMBRE_BELL},
                                         {0.36, 0.90, G5, G5, 0.6, TIMBRE_BELL},
                                         {0.36, 0.90, E5, E5, 0.5, TIMBRE_BELL}});
    // Lost: a slow fall in a minor key.
    ok &= writeWav(assets + "/lost.wav", {{0.00, 0.40, G4, G4, 1.0, TIMBRE_REED},
                                          {0.28, 0.40, E4b, E4b, 1.0, TIMBRE_REED},
                                          {0.56, 0.90, C4, C4, 1.0, TIMBRE_REED}});

    // The showcase's tone, played on a button.
    ok &= writeWav(showcase + "/tone.wav", {{0.0, 0.60, A5, A5, 1.0, TIMBRE_BELL}});
    // Its tune, looped as music: 16 eighth notes at 120 beats a minute over a
    // bass note a beat, 4 s. Tails past the end fold over to the start, so
    // the loop has no seam.
    const double melody[16] = {C5, E5, G5, E5, D5, G5, A5, G5, E5, G5, C6, G5, D5, E5, C5, G4};
    const double bass[4] = {C4 / 2, G4 / 4, A4 / 4, G4 / 4};  // a bar each: C, G, A, G
    std::vector<Note> tune;
    for (int32_t i = 0; i < 16; i++) {
        tune.push_back({0.25 * i, 0.45, melody[i], melody[i], 1.0, TIMBRE_PLUCK});
    }
    for (int32_t beat = 0; beat < 8; beat++) {
        const double hz = bass[beat / 2];
        tune.push_back({0.5 * beat, 0.45, hz, hz, 0.8, TIMBRE_SINE});
    }
    std::vector<double> tuneSamples = render(tune, 4.0, true);
    normalise(tuneSamples, TARGET_RMS * 0.8);  // music sits a little below the effects
    const std::vector<uint8_t> ogg = oggVorbisBytes(toPcm(tuneSamples), 0.3f);
    ok &= !ogg.empty() && writeBytes(showcase + "/tune.ogg", ogg);

    if (!ok) {
        std::fprintf(stderr, "make_sounds: cannot write the sounds\n");
        return 1;
    }
    return 0;
}

// The notes summed over `seconds` (or, without `wrap`, until the last note
// has died away); with `wrap`, what runs past the end is added at the start.
static std::vector<double> render(const std::vector<Note>& notes, double seconds, bool wrap)
{
    double end = seconds;
    if (!wrap) {
        for (const Note& note : notes) {
            end = std::fmax(end, note.start + note.length);
        }
    }
    const size_t count = static_cast<size_t>(std::lround(end * RATE));
    std::vector<double> out(count, 0.0);
    for (const Note& note : notes) {
        const size_t first = static_cast<size_t>(std::lround(note.start * RATE));
        const size_t length = static_cast<size_t>(std::lround(note.length * RATE));
        double phase = 0.0;
        for (size_t i = 0; i < length; i++) {
            const double t = static_cast<double>(i) / RATE;
            const double left = note.length - t;
            // A quick rise, a fall to about -40 dB over the note, and a last
            // fade to exactly nothing.
            double envelope = std::exp(-4.6 * t / note.length);
            envelope *= std::fmin(1.0, t / ATTACK_SECONDS) * std::fmin(1.0, left / RELEASE_SECONDS);
            // The pitch slides exponentially, as the ear hears an even glide.
            const double hz = note.hz * std::pow(note.endHz / note.hz, t / note.length);
            const size_t at = first + i;
            if (at < count || wrap) {
                out[at % count] += note.level * envelope * partials(note.timbre, phase, t);
            }
            phase += 2 * PI * hz / RATE;
        }
    }
    return out;
}

// One waveform at `phase`, `t` seconds into its note.
static double partials(Timbre timbre, double phase, double t)
{
    switch (timbre) {
    case TIMBRE_SINE:
        return std::sin(phase);
    case TIMBRE_BELL:
        return std::sin(phase) + 0.45 * std::exp(-t * 14) * std::sin(2 * phase) +
               0.25 * std::exp(-t * 24) * std::sin(3.01 * phase);
    case TIMBRE_REED:
        return std::sin(phase) + std::sin(3 * phase) / 3 + std::sin(5 * phase) / 6;
    case TIMBRE_PLUCK:
        return std::sin(phase) + 0.6 * std::exp(-t * 18) * (std::sin(2 * phase) + std::sin(4 * phase) / 2);
    }
    return 0.0;
}

// Scales the samples so that their loudest LOUDNESS_WINDOW has the given RMS.
static void normalise(std::vector<double>& samples, double rms)
{
    double loudest = 0.0;
    for (size_t start = 0; start < samples.size(); start += LOUDNESS_WINDOW / 4) {
        double sum = 0.0;
        size_t count = 0;
        for (size_t i = start; i < samples.size() && i < start + LOUDNESS_WINDOW; i++, count++) {
            sum += samples[i] * samples[i];
        }
        loudest = std::fmax(loudest, std::sqrt(sum / static_cast<double>(LOUDNESS_WINDOW)));
    }
    for (double& sample : samples) {
        sample *= rms / loudest;
    }
}

static PcmSound toPcm(const std::vector<double>& samples)
{
    PcmSound pcm;
    pcm.rate = RATE;
    pcm.channels = 1;
    for (double sample : samples) {
        const double scaled = std::round(sample * 32767.0);
        pcm.samples.push_back(static_cast<int16_t>(std::fmax(-32768.0, std::fmin(32767.0, scaled))));
    }
    return pcm;
}

static bool writeWav(const std::string& path, const std::vector<Note>& notes)
{
    std::vector<double> samples = render(notes, 0.0, false);
    normalise(samples, TARGET_RMS);
    double peak = 0.0;
    for (double sample : samples) {
        peak = std::fmax(peak, std::fabs(sample));
    }
    std::printf("%-28s %6.3f s, peak %5.1f dBFS\n", path.c_str(),
                static_cast<double>(samples.size()) / RATE, 20 * std::log10(peak));
    return writeBytes(path, wavBytes(toPcm(samples)));
}
