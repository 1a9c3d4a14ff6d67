// libFuzzer entry for the sound loader: the bytes are a sound file in
// memory, decoded as loadSound decodes a file (the mixer runs on SDL's dummy
// driver). The input's last byte is not part of the file: when its low bit
// is clear, the checksum of every whole Ogg page is repaired first, since
// the loader refuses a page whose checksum is wrong and nearly every mutation
// of an Ogg file would end there.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "snd/sound.h"

// The library asks every program for the game's names; this one has no game.
const GameInfo gameInfo = {"Quorl Fuzz", "Quorl Tests", "Fuzz", nullptr};
void gameMain()
{
}

constexpr uint8_t FUZZ_KEEP_CRC_BIT = 0x01;
constexpr size_t OGG_PAGE_HEAD_BYTES = 27;
constexpr size_t OGG_CRC_AT = 22;

static uint32_t oggCrc(const uint8_t* bytes, size_t size)
{
    uint32_t crc = 0;
    for (size_t i = 0; i < size; i++) {
        crc ^= uint32_t{i >= OGG_CRC_AT && i < OGG_CRC_AT + 4 ? uint8_t{0} : bytes[i]} << 24;
        for (int bit = 0; bit < 8; bit++) {
            crc = (crc & 0x80000000u) != 0 ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
        }
    }
    return crc;
}

// Rewrites the checksum of each page from the start, as long as pages
// follow one another whole.
static void repairOggCrcs(std::vector<uint8_t>& file)
{
    size_t at = 0;
    while (file.size() - at >= OGG_PAGE_HEAD_BYTES && file[at] == 'O' && file[at + 1] == 'g' &&
           file[at + 2] == 'g' && file[at + 3] == 'S') {
        const size_t segments = file[at + 26];
        if (file.size() - at < OGG_PAGE_HEAD_BYTES + segments) {
            return;
        }
        size_t pageBytes = OGG_PAGE_HEAD_BYTES + segments;
        for (size_t i = 0; i < segments; i++) {
            pageBytes += file[at + OGG_PAGE_HEAD_BYTES + i];
        }
        if (file.size() - at < pageBytes) {
            return;
        }
        const uint32_t crc = oggCrc(&file[at], pageBytes);
        for (int i = 0; i < 4; i++) {
            file[at + OGG_CRC_AT + i] = static_cast<uint8_t>(crc >> (8 * i));
        }
        at += pageBytes;
    }
}

// What the loader promises of any sound it returns, whatever the bytes.
static void checkPromise(bool kept, const char* promise)
{
    if (!kept) {
        std::fprintf(stderr, "sound loader broke its promise: %s\n", promise);
        std::abort();
    }
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    (void)argc;
    (void)argv;
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    std::vector<uint8_t> file(data, data + size - 1);
    if ((data[size - 1] & FUZZ_KEEP_CRC_BIT) == 0) {
        repairOggCrcs(file);
    }
    Sound* sound = loadSoundBytes(file.data(), file.size());
    if (sound == nullptr) {
        return 0;
    }
    checkPromise(sound->frameCount > 0 &&
                     sound->frameCount <= int64_t{SND_MAX_SOUND_SECONDS + 1} * SND_RATE,
                 "a sound of one frame to SND_MAX_SOUND_SECONDS");
    // Every sample is read once: a buffer shorter than the frame count says
    // shows as an overflow.
    int64_t sum = 0;
    for (int64_t i = 0; i < int64_t{sound->frameCount} * 2; i++) {
        sum += sound->samples[i];
    }
    volatile int64_t sink = sum;
    (void)sink;
    releaseSound(sound);
    return 0;
}
