// Writes the sound fuzz target's seed corpus into a directory: short tones as
// WAV files of each sample size, channel count and a few rates, and as Ogg
// Vorbis files, each followed by the selector byte the target reads last
// (0: Ogg checksums repaired).
//
//   make_sound_seeds DIR
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/sound_writer.h"

static PcmSound tone(int32_t rate, int32_t channels, double seconds)
{
    PcmSound sound;
    sound.rate = rate;
    sound.channels = channels;
    const int32_t frames = static_cast<int32_t>(seconds * rate);
    for (int32_t i = 0; i < frames; i++) {
        for (int32_t c = 0; c < channels; c++) {
            const double value = 12000 * std::sin(2 * 3.14159265358979 * (440 + 110 * c) * i / rate);
            sound.samples.push_back(static_cast<int16_t>(value));
        }
    }
    return sound;
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = true;
    for (int32_t rate : {8000, 22050, 48000}) {
        for (int32_t channels : {1, 2}) {
            const std::string name = dir + "/tone-" + std::to_string(rate) + "-" + std::to_string(channels);
            for (int32_t bits : {8, 16}) {
                std::vector<uint8_t> wav = wavBytes(tone(rate, channels, 0.05), bits);
                wav.push_back(0);
                ok &= writeBytes(name + "-" + std::to_string(bits) + ".wav", wav);
            }
            std::vector<uint8_t> ogg = oggVorbisBytes(tone(rate, channels, 0.05), 0.0f);
            ogg.push_back(0);
            ok &= !ogg.empty() && writeBytes(name + ".ogg", ogg);
        }
    }
    return ok ? 0 : 1;
}
