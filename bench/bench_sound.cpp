// Sound: from playSound to the first non-zero sample leaving the mixer, over
// 200 plays of a short click, and the CPU the process takes while 16 voices
// play; beside SDL2_mixer used bare (Mix_PlayChannel on a device opened in
// the same format with the same buffer), in the same process, in turns. Both
// run on SDL's dummy driver, which takes a buffer from the mixer every
// buffer's time: the figures are the mixer's, without a sound card's own
// buffering. The output is watched by a post-mix effect, which SDL2_mixer
// runs on each buffer once every voice is mixed into it.
// Run from anywhere: build/bench_sound
#include <SDL.h>
#include <SDL_mixer.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench/support/bench_support.h"
#include "snd/sound.h"
#include "tests/support/process_probe.h"
#include "tools/sound_writer.h"

constexpr int32_t LATENCY_PLAYS = 200;
constexpr int32_t ROUNDS = 4;  // turns of each mixer; LATENCY_PLAYS / ROUNDS plays a turn
constexpr int32_t CPU_VOICES = 16;
constexpr double CPU_SECONDS = 4.0;
constexpr int32_t QUIET_BUFFERS = 2;  // silent buffers between two plays

// What the post-mix effect saw: buffers since the last one with sound, and
// when the first sound came after the probe was armed.
struct OutputTap {
    std::atomic<int32_t> armed{0};
    std::atomic<int64_t> heardNs{0};
    std::atomic<int32_t> quietBuffers{0};
};

static OutputTap tap;

struct MixerTurn {
    std::vector<double> latenciesMs;
    double cpuPercent;
};

static void runQuorl(const std::string& click, const std::vector<std::string>& loops, int32_t plays,
                     bool measureCpu, MixerTurn* turn);
static void runBare(const std::string& click, const std::vector<std::string>& loops, int32_t plays,
                    bool measureCpu, MixerTurn* turn);
template <typename Play, typename Playing>
static void measureLatency(int32_t plays, Play play, Playing playing, MixerTurn* turn);
static void watchOutput();
static void SDLCALL tapOutput(int channel, void* stream, int length, void* unused);
static double percentileOf(std::vector<double> values, int32_t percent);
static int64_t nowNs();
static double processCpuSeconds();
static PcmSound toneOf(double hz, double seconds, double level);

int main()
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const std::string dir = makeTempDirectory("quorl-bench-sound");
    const std::string click = dir + "/click.wav";
    writeBytes(click, wavBytes(toneOf(1000, 0.005, 0.9)));
    std::vector<std::string> loops;
    for (int32_t i = 0; i < CPU_VOICES; i++) {
        loops.push_back(dir + "/loop" + std::to_string(i) + ".wav");
        writeBytes(loops.back(), wavBytes(toneOf(220 + 55 * i, 1.0, 0.05)));
    }

    MixerTurn quorl = {{}, 0};
    MixerTurn bare = {{}, 0};
    for (int32_t round = 0; round < ROUNDS; round++) {
        const bool cpu = round == ROUNDS - 1;
        runQuorl(click, loops, LATENCY_PLAYS / ROUNDS, cpu, &quorl);
        runBare(click, loops, LATENCY_PLAYS / ROUNDS, cpu, &bare);
    }
    std::filesystem::remove_all(dir);

    const double p50 = percentileOf(quorl.latenciesMs, 50);
    const double p99 = percentileOf(quorl.latenciesMs, 99);
    const double bareP50 = percentileOf(bare.latenciesMs, 50);
    const double bareP99 = percentileOf(bare.latenciesMs, 99);
    std::printf("%-34s %10s %10s\n", "", "quorl", "sdl_mixer");
    std::printf("%-34s %10.2f %10.2f\n", "latency p50 (ms)", p50, bareP50);
    std::printf("%-34s %10.2f %10.2f\n", "latency p99 (ms)", p99, bareP99);
    std::printf("%-34s %10zu %10zu\n", "plays", quorl.latenciesMs.size(), bare.latenciesMs.size());
    std::printf("%-34s %10.2f %10.2f\n", "process CPU, 16 voices (% of a core)", quorl.cpuPercent,
                bare.cpuPercent);
    std::printf("sound_latency_p50_ms=%.2f\n", p50);
    std::printf("sound_latency_p99_ms=%.2f\n", p99);
    std::printf("sound_latency_sdl_p50_ms=%.2f\n", bareP50);
    std::printf("sound_latency_sdl_p99_ms=%.2f\n", bareP99);
    std::printf("sound_latency_vs_sdl=%.2f\n", p99 / bareP99);
    std::printf("sound_mix_cpu_pct=%.2f\n", quorl.cpuPercent);
    std::printf("sound_mix_cpu_sdl_pct=%.2f\n", bare.cpuPercent);
    return 0;
}

// The library's calls: the first load opens the mixer, closeSound ends the turn.
static void runQuorl(const std::string& click, const std::vector<std::string>& loops, int32_t plays,
                     bool measureCpu, MixerTurn* turn)
{
    Sound* sound = loadSound(click.c_str());
    if (sound == nullptr) {
        std::fprintf(stderr, "%s: %s\n", click.c_str(), lastLoadError());
        std::exit(1);
    }
    watchOutput();
    int32_t voice = -1;
    measureLatency(
        plays, [&] { voice = playSound(sound, SND_MAX_VOLUME, 0, 0); },
        [&] { return voicePlaying(voice) != 0; }, turn);
    if (measureCpu) {
        std::vector<Sound*> sounds;
        for (int32_t i = 0; i < CPU_VOICES; i++) {
            sounds.push_back(loadSound(loops[i].c_str()));
            playSound(sounds.back(), 64 + 4 * i, -128 + 16 * i, 1);
        }
        const double cpu = processCpuSeconds();
        std::this_thread::sleep_for(std::chrono::duration<double>(CPU_SECONDS));
        turn->cpuPercent = 100 * (processCpuSeconds() - cpu) / CPU_SECONDS;
        for (Sound* loop : sounds) {
            releaseSound(loop);
        }
    }
    releaseSound(sound);
    closeSound();
}

// SDL2_mixer as a game would use it bare, in the library's device format.
static void runBare(const std::string& click, const std::vector<std::string>& loops, int32_t plays,
                    bool measureCpu, MixerTurn* turn)
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0 ||
        Mix_OpenAudioDevice(SND_RATE, AUDIO_S16SYS, 2, SND_BUFFER_FRAMES, nullptr, 0) != 0) {
        std::fprintf(stderr, "SDL2_mixer: %s\n", Mix_GetError());
        std::exit(1);
    }
    Mix_AllocateChannels(SND_VOICE_COUNT);
    Mix_Chunk* chunk = Mix_LoadWAV(click.c_str());
    watchOutput();
    int32_t channel = -1;
    measureLatency(
        plays, [&] { channel = Mix_PlayChannel(-1, chunk, 0); },
        [&] { return Mix_Playing(channel) != 0; }, turn);
    if (measureCpu) {
        std::vector<Mix_Chunk*> chunks;
        for (int32_t i = 0; i < CPU_VOICES; i++) {
            chunks.push_back(Mix_LoadWAV(loops[i].c_str()));
            Mix_Volume(i, 64 + 4 * i);
            Mix_SetPanning(i, static_cast<Uint8>(i < 8 ? 255 : 255 - 32 * (i - 8)),
                           static_cast<Uint8>(i < 8 ? 255 - 32 * (8 - i) : 255));
            Mix_PlayChannel(i, chunks.back(), -1);
        }
        const double cpu = processCpuSeconds();
        std::this_thread::sleep_for(std::chrono::duration<double>(CPU_SECONDS));
        turn->cpuPercent = 100 * (processCpuSeconds() - cpu) / CPU_SECONDS;
        Mix_HaltChannel(-1);
        for (Mix_Chunk* loop : chunks) {
            Mix_FreeChunk(loop);
        }
    }
    Mix_FreeChunk(chunk);
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

// Each play starts after the last one has ended and the output has been
// silent for QUIET_BUFFERS buffers, at a varying point of the buffer period
// (a fixed sequence of waits), and counts until the tap hears it.
template <typename Play, typename Playing>
static void measureLatency(int32_t plays, Play play, Playing playing, MixerTurn* turn)
{
    uint32_t random = 12345;
    for (int32_t i = 0; i < plays; i++) {
        while (playing() || tap.quietBuffers.load() < QUIET_BUFFERS) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        random = random * 1103515245u + 12345u;
        std::this_thread::sleep_for(std::chrono::microseconds((random >> 8) % 11000));
        tap.armed.store(1);
        const int64_t start = nowNs();
        play();
        while (tap.armed.load() != 0 && nowNs() - start < 1000000000) {
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
        if (tap.armed.exchange(0) == 0) {
            turn->latenciesMs.push_back(static_cast<double>(tap.heardNs.load() - start) / 1e6);
        }
    }
}

static void watchOutput()
{
    tap.quietBuffers.store(0);
    Mix_RegisterEffect(MIX_CHANNEL_POST, tapOutput, nullptr, nullptr);
}

static void SDLCALL tapOutput(int channel, void* stream, int length, void* unused)
{
    (void)channel;
    (void)unused;
    const int16_t* samples = static_cast<const int16_t*>(stream);
    bool loud = false;
    for (int32_t i = 0; i < length / 2 && !loud; i++) {
        loud = samples[i] != 0;
    }
    if (!loud) {
        tap.quietBuffers.fetch_add(1);
        return;
    }
    tap.quietBuffers.store(0);
    if (tap.armed.load() != 0) {
        tap.heardNs.store(nowNs());
        tap.armed.store(0);
    }
}

static double percentileOf(std::vector<double> values, int32_t percent)
{
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const size_t at = (values.size() * static_cast<size_t>(percent) + 99) / 100;
    return values[at == 0 ? 0 : at - 1];
}

static int64_t nowNs()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

static double processCpuSeconds()
{
    timespec used;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
    return static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) / 1e9;
}

static PcmSound toneOf(double hz, double seconds, double level)
{
    PcmSound sound;
    sound.rate = SND_RATE;
    const int32_t frames = static_cast<int32_t>(seconds * SND_RATE);
    for (int32_t i = 0; i < frames; i++) {
        sound.samples.push_back(static_cast<int16_t>(level * 32767 * std::sin(2 * 3.14159265358979 * hz * i / SND_RATE)));
    }
    return sound;
}
