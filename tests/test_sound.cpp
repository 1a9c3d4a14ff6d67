// The sound module on real sound: SDL's "disk" audio driver writes the mixed
// output to a file, which is read back and measured (pitch, level, where
// sound starts and stops). Positions are compared in frames of the output
// stream; nothing depends on how long anything took. Each case opens a fresh
// capture; files are generated in a scratch directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "emu/timing.h"
#include "gfx/graphics.h"
#include "gfx/png_loader.h"
#include "quorl/host.h"
#include "snd/sound.h"
#include "tests/support/process_probe.h"
#include "tools/sound_writer.h"

namespace {

namespace fs = std::filesystem;

constexpr double PI = 3.14159265358979323846;
constexpr int32_t SILENCE = 64;          // sample magnitudes at or below count as silence
constexpr int64_t DIP_FRAMES = 16;       // shorter silences inside a sound are its own
constexpr int64_t FLUSH_FRAMES = 8192;   // output after which a frame is surely in the file
constexpr int32_t BUFFER = SND_BUFFER_FRAMES;

// A tone of `seconds` at `amplitude` (of full scale), `channels` alike.
PcmSound tone(double hz, double seconds, double amplitude, int32_t rate = SND_RATE, int32_t channels = 1)
{
    PcmSound sound;
    sound.rate = rate;
    sound.channels = channels;
    const int64_t frames = std::llround(seconds * rate);
    for (int64_t i = 0; i < frames; i++) {
        const double value = amplitude * 32767 * std::sin(2 * PI * hz * static_cast<double>(i) / rate);
        sound.samples.insert(sound.samples.end(), channels, static_cast<int16_t>(std::lround(value)));
    }
    return sound;
}

// The source tree: ctest says where it is, and runs the tests in it.
std::string sourceDir()
{
    const char* dir = std::getenv("QUORL_SOURCE_DIR");
    return dir != nullptr ? dir : ".";
}

std::vector<uint8_t> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Recomputes the checksum of each page of an Ogg file.
std::vector<uint8_t> withOggChecksums(std::vector<uint8_t> file)
{
    for (size_t at = 0; file.size() - at >= 27;) {
        size_t pageBytes = 27 + file[at + 26];
        for (size_t i = 0; i < file[at + 26] && at + 27 + i < file.size(); i++) {
            pageBytes += file[at + 27 + i];
        }
        if (file.size() - at < pageBytes) {
            break;
        }
        std::fill(&file[at + 22], &file[at + 26], 0);
        uint32_t crc = 0;
        for (size_t i = 0; i < pageBytes; i++) {
            crc ^= uint32_t{file[at + i]} << 24;
            for (int bit = 0; bit < 8; bit++) {
                crc = (crc & 0x80000000u) != 0 ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
            }
        }
        for (int i = 0; i < 4; i++) {
            file[at + 22 + i] = static_cast<uint8_t>(crc >> (8 * i));
        }
        at += pageBytes;
    }
    return file;
}

// Polls until the mixer has produced `frame` frames; false if it stops
// producing (a bound on polls, far beyond any real run).
bool mixUntil(int64_t frame)
{
    for (int32_t i = 0; i < 20000 && soundFramesMixed() < frame; i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return soundFramesMixed() >= frame;
}

bool mixFor(int64_t frames)
{
    return mixUntil(soundFramesMixed() + frames);
}

// The output as left, right pairs, and measures of a stretch of it.
struct Capture {
    std::vector<int16_t> samples;

    int64_t frames() const { return static_cast<int64_t>(samples.size() / 2); }
    int32_t at(int64_t frame, int32_t channel) const { return samples[2 * frame + channel]; }
    bool loud(int64_t frame) const
    {
        return std::abs(at(frame, 0)) > SILENCE || std::abs(at(frame, 1)) > SILENCE;
    }
    // The first and last frames with sound, or {-1, -1}.
    std::pair<int64_t, int64_t> span() const
    {
        int64_t first = -1, last = -1;
        for (int64_t f = 0; f < frames(); f++) {
            if (loud(f)) {
                first = first < 0 ? f : first;
                last = f;
            }
        }
        return {first, last};
    }
    // Frames of sound: loud frames and the short dips between them where a
    // wave crosses zero.
    int64_t soundingFrames() const
    {
        int64_t count = 0, run = 0;
        for (int64_t f = 0; f < frames(); f++) {
            if (loud(f)) {
                count += 1 + (run < DIP_FRAMES ? run : 0);
                run = 0;
            } else {
                run++;
            }
        }
        return count;
    }
    // Longest run of silent frames between `first` and `last`.
    int64_t longestSilence(int64_t first, int64_t last) const
    {
        int64_t longest = 0, run = 0;
        for (int64_t f = first; f <= last; f++) {
            run = loud(f) ? 0 : run + 1;
            longest = std::max(longest, run);
        }
        return longest;
    }
    // Pitch from the first and last rising zero crossings in the stretch.
    double pitchHz(int32_t channel, int64_t first, int64_t count) const
    {
        double firstCross = -1, lastCross = -1;
        int32_t crossings = 0;
        for (int64_t f = first + 1; f < first + count; f++) {
            const int32_t a = at(f - 1, channel), b = at(f, channel);
            if (a < 0 && b >= 0) {
                const double where = static_cast<double>(f - 1) + static_cast<double>(-a) / (b - a);
                firstCross = firstCross < 0 ? where : firstCross;
                lastCross = where;
                crossings++;
            }
        }
        return crossings < 2 ? 0.0 : (crossings - 1) * SND_RATE / (lastCross - firstCross);
    }
    // Amplitude (of full scale) of the `hz` component of the stretch.
    double amplitude(int32_t channel, int64_t first, int64_t count, double hz) const
    {
        double re = 0, im = 0;
        for (int64_t i = 0; i < count; i++) {
            const double phase = 2 * PI * hz * static_cast<double>(i) / SND_RATE;
            re += at(first + i, channel) * std::cos(phase);
            im += at(first + i, channel) * std::sin(phase);
        }
        return 2 * std::hypot(re, im) / static_cast<double>(count) / 32767;
    }
};

// Calls waitVBlank in a loop as a game's frame loop does, so that the menu's
// pause (pauseState) holds it as it would hold the game.
struct GameThread {
    std::atomic<int32_t> stop{0};
    std::thread thread;

    GameThread()
    {
        doubleBuffered = 1;  // nothing for GL to finish: no context is needed
        drawTarget = &drawBuffer;
        captureTimeBase();
        thread = std::thread([this] {
            while (stop.load(std::memory_order_relaxed) == 0) {
                waitVBlank();
            }
        });
    }
    ~GameThread()
    {
        stop.store(1, std::memory_order_relaxed);
        pauseState.store(PAUSE_RUNNING, std::memory_order_relaxed);
        thread.join();
    }
};

class SoundTest : public ::testing::Test {
protected:
    std::string dir;
    std::string capturePath;
    int32_t captures = 0;

    void SetUp() override
    {
        dir = makeTempDirectory("quorl-sound");
        ASSERT_FALSE(dir.empty());
        pauseState.store(PAUSE_RUNNING, std::memory_order_relaxed);
        freshCapture();
    }
    void TearDown() override
    {
        closeSound();
        resumeSoundOutput();
        setMasterVolume(SND_MAX_VOLUME);
        setMusicVolume(SND_MAX_VOLUME);
        emuSound.store(1, std::memory_order_relaxed);
        emuVolume.store(100, std::memory_order_relaxed);
        fs::remove_all(dir);
    }

    // The next sound call opens the device anew, writing to a new file.
    void freshCapture()
    {
        closeSound();
        capturePath = dir + "/capture" + std::to_string(captures++) + ".raw";
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", capturePath.c_str(), 1);
    }

    std::string write(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        const std::string path = dir + "/" + name;
        EXPECT_TRUE(writeBytes(path, bytes));
        return path;
    }

    Sound* load(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        Sound* sound = loadSound(write(name, bytes).c_str());
        EXPECT_NE(sound, nullptr) << name << ": " << lastLoadError();
        return sound;
    }

    // Waits for a voice to end, then for its frames to reach the file.
    Capture finish(int32_t voice)
    {
        for (int32_t i = 0; i < 20000 && voicePlaying(voice) != 0; i++) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_EQ(voicePlaying(voice), 0);
        return readCapture();
    }

    Capture readCapture()
    {
        EXPECT_TRUE(mixFor(FLUSH_FRAMES));
        Capture capture;
        const std::vector<uint8_t> bytes = readFile(capturePath);
        capture.samples.resize(bytes.size() / 2);
        for (size_t i = 0; i < capture.samples.size(); i++) {
            capture.samples[i] = static_cast<int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
        }
        return capture;
    }
};

TEST_F(SoundTest, AFullVolumeToneComesOutAtItsPitchAndLevel)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        double levelTolerance;
    };
    const Case cases[] = {
        {"48k-stereo.wav", wavBytes(tone(440, 0.5, 0.5, 48000, 2)), 0.01},
        {"44k-mono.wav", wavBytes(tone(440, 0.5, 0.5, 44100, 1)), 0.02},
        {"22k-mono-8bit.wav", wavBytes(tone(440, 0.5, 0.5, 22050, 1), 8), 0.03},
        {"44k-mono.ogg", oggVorbisBytes(tone(440, 0.5, 0.5, 44100, 1)), 0.05},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        freshCapture();
        Sound* sound = load(c.name, c.bytes);
        ASSERT_NE(sound, nullptr);
        EXPECT_NEAR(sound->frameCount, SND_RATE / 2, SND_RATE / 100);
        const Capture capture = finish(playSound(sound, SND_MAX_VOLUME, 0, 0));
        const auto [first, last] = capture.span();
        ASSERT_GE(first, 0);
        EXPECT_NEAR(last - first, SND_RATE / 2, SND_RATE / 100);
        // The middle of the tone, away from the edges of its envelope.
        const int64_t from = first + SND_RATE / 10;
        const int64_t count = SND_RATE / 4;
        for (int32_t channel = 0; channel < 2; channel++) {
            EXPECT_NEAR(capture.pitchHz(channel, from, count), 440.0, 4.4);
            EXPECT_NEAR(capture.amplitude(channel, from, count, 440), 0.5, c.levelTolerance);
        }
        releaseSound(sound);
    }
}

TEST_F(SoundTest, TheGamesSoundsAreShortAndEquallyLoud)
{
    const char* names[] = {"start", "move", "place", "clear", "answer", "answer_exact", "won", "lost"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        Sound* sound = loadSound((sourceDir() + "/assets/" + name + ".wav").c_str());
        ASSERT_NE(sound, nullptr) << lastLoadError();
        EXPECT_LE(sound->frameCount, 3 * SND_RATE / 2);
        // The loudest 50 ms at -15 dBFS RMS, peaks below -1 dBFS.
        const int32_t window = SND_RATE / 20;
        double loudest = 0;
        int32_t peak = 0;
        for (int32_t start = 0; start < sound->frameCount; start += window / 4) {
            double sum = 0;
            for (int32_t f = start; f < start + window && f < sound->frameCount; f++) {
                const double sample = sound->samples[2 * f] / 32767.0;
                sum += sample * sample;
                peak = std::max(peak, std::abs(int32_t{sound->samples[2 * f]}));
            }
            loudest = std::max(loudest, std::sqrt(sum / window));
        }
        EXPECT_NEAR(20 * std::log10(loudest), -15.0, 0.5);
        EXPECT_LT(peak, 29205);
        releaseSound(sound);
    }
}

TEST_F(SoundTest, TwoVoicesMixIntoOneStream)
{
    Sound* low = load("low.wav", wavBytes(tone(440, 0.5, 0.25)));
    Sound* high = load("high.wav", wavBytes(tone(1000, 0.5, 0.25)));
    ASSERT_TRUE(low != nullptr && high != nullptr);
    const int32_t first = playSound(low, SND_MAX_VOLUME, 0, 0);
    const int32_t second = playSound(high, SND_MAX_VOLUME, 0, 0);
    EXPECT_NE(first, second);
    finish(first);
    const Capture capture = finish(second);
    // The voices start at most a buffer apart: well inside both tones.
    const int64_t from = capture.span().first + BUFFER + SND_RATE / 20;
    for (int32_t channel = 0; channel < 2; channel++) {
        EXPECT_NEAR(capture.amplitude(channel, from, SND_RATE / 4, 440), 0.25, 0.01);
        EXPECT_NEAR(capture.amplitude(channel, from, SND_RATE / 4, 1000), 0.25, 0.01);
    }
    releaseSound(low);
    releaseSound(high);
}

TEST_F(SoundTest, PanMovesTheLevelBetweenTheChannels)
{
    struct Case {
        int32_t pan;
        double left, right;
    };
    const Case cases[] = {{SND_PAN_LEFT, 0.5, 0.0}, {-64, 0.5, 0.25}, {0, 0.5, 0.5},
                          {64, 0.25, 0.5}, {SND_PAN_RIGHT, 0.0, 0.5}, {1000, 0.0, 0.5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pan);
        freshCapture();
        Sound* sound = load("tone.wav", wavBytes(tone(440, 0.3, 0.5)));
        ASSERT_NE(sound, nullptr);
        const Capture capture = finish(playSound(sound, SND_MAX_VOLUME, c.pan, 0));
        const int64_t from = capture.span().first + SND_RATE / 20;
        EXPECT_NEAR(capture.amplitude(0, from, SND_RATE / 5, 440), c.left, 0.01);
        EXPECT_NEAR(capture.amplitude(1, from, SND_RATE / 5, 440), c.right, 0.01);
        releaseSound(sound);
    }
}

TEST_F(SoundTest, VolumesScaleTheOutput)
{
    struct Case {
        const char* what;
        bool music;
        int32_t volume, master, emuOn, emuPercent;
        double level;
    };
    const Case cases[] = {
        {"full", false, 128, 128, 1, 100, 0.5},
        {"voice at half", false, 64, 128, 1, 100, 0.25},
        {"master at half", false, 128, 64, 1, 100, 0.25},
        {"emulation at 75 %", false, 128, 128, 1, 75, 0.375},
        {"emulation at 25 %, voice at half", false, 64, 128, 1, 25, 0.0625},
        {"emulation's sound off", false, 128, 128, 0, 100, 0.0},
        {"music at half", true, 64, 128, 1, 100, 0.25},
        {"music, master at half", true, 128, 64, 1, 100, 0.25},
        {"music, emulation at 50 %", true, 128, 128, 1, 50, 0.25},
        {"music, emulation's sound off", true, 128, 128, 0, 100, 0.0},
    };
    const std::string path = write("tone.wav", wavBytes(tone(440, 0.3, 0.5)));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        freshCapture();
        setMasterVolume(c.master);
        setMusicVolume(c.volume);
        emuSound.store(c.emuOn, std::memory_order_relaxed);
        emuVolume.store(c.emuPercent, std::memory_order_relaxed);
        Sound* sound = loadSound(path.c_str());
        ASSERT_NE(sound, nullptr);
        const int64_t start = soundFramesMixed();
        if (c.music) {
            ASSERT_NE(playMusic(path.c_str(), 0), 0) << lastLoadError();
        } else {
            EXPECT_GE(playSound(sound, c.volume, 0, 0), 0);
        }
        ASSERT_TRUE(mixUntil(start + sound->frameCount + 2 * BUFFER));
        const Capture capture = readCapture();
        const int64_t first = capture.span().first;
        if (c.level == 0.0) {
            EXPECT_EQ(first, -1);
        } else {
            ASSERT_GE(first, 0);
            EXPECT_NEAR(capture.amplitude(0, first + SND_RATE / 20, SND_RATE / 5, 440), c.level, 0.01);
        }
        releaseSound(sound);
    }
}

TEST_F(SoundTest, AStoppedVoiceFallsSilentWithinABuffer)
{
    Sound* sound = load("tone.wav", wavBytes(tone(440, 0.1, 0.5)));
    ASSERT_NE(sound, nullptr);
    const int32_t voice = playSound(sound, SND_MAX_VOLUME, 0, 1);
    const int64_t started = soundFramesMixed();
    ASSERT_TRUE(mixFor(20 * BUFFER));
    stopVoice(voice);
    const int64_t stopped = soundFramesMixed();
    EXPECT_EQ(voicePlaying(voice), 0);
    const Capture capture = readCapture();
    // The voice began in the first buffer mixed after playSound and ended
    // with the last one mixed before stopVoice.
    const auto [first, last] = capture.span();
    ASSERT_GE(first, 0);
    EXPECT_LE(last - first, stopped - started + BUFFER);
    EXPECT_GE(last - first, stopped - started - BUFFER);
    EXPECT_GT(capture.frames() - last, 4 * BUFFER);  // and silence after it
    releaseSound(sound);
}

TEST_F(SoundTest, AHeldGameIsSilentAndItsSoundGoesOnWhereItWas)
{
    Sound* sound = load("tone.wav", wavBytes(tone(440, 0.8, 0.5)));
    ASSERT_NE(sound, nullptr);
    pauseState.store(PAUSE_RUNNING, std::memory_order_relaxed);
    GameThread game;
    const int32_t voice = playSound(sound, SND_MAX_VOLUME, 0, 0);
    ASSERT_TRUE(mixFor(10 * BUFFER));
    pauseState.store(PAUSE_PAUSED, std::memory_order_relaxed);
    ASSERT_TRUE(mixFor(40 * BUFFER));
    EXPECT_EQ(voicePlaying(voice), 1);  // held, not ended
    pauseState.store(PAUSE_RUNNING, std::memory_order_relaxed);
    const Capture capture = finish(voice);
    const auto [first, last] = capture.span();
    // A silence of most of the hold inside the tone, and every frame of the
    // tone played once: nothing lost, nothing repeated.
    EXPECT_GE(capture.longestSilence(first, last), 30 * BUFFER);
    EXPECT_NEAR(capture.soundingFrames(), sound->frameCount, 8);
    releaseSound(sound);
}

TEST_F(SoundTest, EachStepOfTheHeldGameLetsAboutAFrameOfSoundThrough)
{
    Sound* sound = load("tone.wav", wavBytes(tone(440, 0.1, 0.5)));
    ASSERT_NE(sound, nullptr);
    pauseState.store(PAUSE_PAUSED, std::memory_order_relaxed);
    GameThread game;
    ASSERT_TRUE(mixFor(10 * BUFFER));  // the thread is held at its first vertical blank
    const int32_t voice = playSound(sound, SND_MAX_VOLUME, 0, 1);
    ASSERT_TRUE(mixFor(10 * BUFFER));
    const int32_t steps = 3;
    for (int32_t step = 0; step < steps; step++) {
        pauseState.store(PAUSE_STEP, std::memory_order_relaxed);
        ASSERT_TRUE(mixFor(10 * BUFFER));
        EXPECT_EQ(pauseState.load(std::memory_order_relaxed), PAUSE_PAUSED);
    }
    stopVoice(voice);
    const Capture capture = readCapture();
    // Whole buffers go through; what a step takes beyond its frame the next
    // one gives back.
    EXPECT_NEAR(capture.soundingFrames(), steps * SND_FRAMES_PER_VBLANK, BUFFER);
    releaseSound(sound);
}

TEST_F(SoundTest, MusicLoopsWithoutAGapLongerThanABuffer)
{
    const PcmSound loop = tone(440, 0.25, 0.5, 44100);
    const std::string files[] = {write("loop.wav", wavBytes(loop)), write("loop.ogg", oggVorbisBytes(loop))};
    for (const std::string& path : files) {
        SCOPED_TRACE(path);
        freshCapture();
        ASSERT_NE(playMusic(path.c_str(), 1), 0) << lastLoadError();
        ASSERT_TRUE(mixFor(5 * SND_RATE / 4));  // five times round
        stopMusic();
        const Capture capture = readCapture();
        const auto [first, last] = capture.span();
        EXPECT_GE(last - first, SND_RATE);
        EXPECT_LT(capture.longestSilence(first, last), BUFFER);
    }
}

TEST_F(SoundTest, VoicesRunOutAtSixteenAndAnEndedVoiceNumberTouchesNothing)
{
    Sound* sound = load("tone.wav", wavBytes(tone(440, 0.1, 0.1)));
    ASSERT_NE(sound, nullptr);
    std::vector<int32_t> voices;
    for (int32_t i = 0; i < SND_VOICE_COUNT; i++) {
        voices.push_back(playSound(sound, SND_MAX_VOLUME, 0, 1));
        EXPECT_GE(voices.back(), 0);
    }
    std::sort(voices.begin(), voices.end());
    EXPECT_EQ(std::unique(voices.begin(), voices.end()), voices.end());
    EXPECT_EQ(playSound(sound, SND_MAX_VOLUME, 0, 1), -1);

    stopVoice(voices[0]);
    const int32_t newer = playSound(sound, SND_MAX_VOLUME, 0, 1);
    EXPECT_GE(newer, 0);
    EXPECT_NE(newer, voices[0]);
    EXPECT_EQ(voicePlaying(voices[0]), 0);
    stopVoice(voices[0]);
    setVoiceVolume(voices[0], 0);
    EXPECT_EQ(voicePlaying(newer), 1);
    releaseSound(sound);  // stops them all
    EXPECT_EQ(voicePlaying(newer), 0);
}

TEST_F(SoundTest, HostileFilesGiveNullAndAReasonInBoundedMemory)
{
    Sound* good = load("good.wav", wavBytes(tone(440, 0.1, 0.5)));  // the device is open first
    std::vector<uint8_t> wav = wavBytes(tone(440, 1.0, 0.5));
    std::vector<uint8_t> huge = wav;
    huge[40] = huge[41] = huge[42] = huge[43] = 0xFF;  // data: 4 GiB
    std::vector<uint8_t> empty = wav;
    std::fill(empty.begin() + 40, empty.begin() + 44, 0);
    empty.resize(44);
    std::vector<uint8_t> oddLast(wav.begin(), wav.begin() + 36);  // no data, an odd chunk last
    oddLast.insert(oddLast.end(), {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c'});
    const std::vector<uint8_t> ogg = oggVorbisBytes(tone(440, 1.0, 0.5));
    std::vector<uint8_t> brokenPage = ogg;
    brokenPage[ogg.size() / 2] ^= 0x55;
    const std::vector<uint8_t> tooLong = wavBytes(tone(0, SND_MAX_SOUND_SECONDS + 1, 0, 8000));
    // A fuzzer's find: one bit of a codebook's lengths changed, its pages'
    // checksums made right (the input's last byte only steers the fuzzer).
    std::vector<uint8_t> overfull = readFile(sourceDir() + "/tests/fuzz/sound-regressions/overfull-code-tree.ogg");
    overfull.pop_back();
    struct Case {
        std::string name;
        std::vector<uint8_t> bytes;
        const char* reason;
    };
    const Case cases[] = {
        {"truncated.wav", std::vector<uint8_t>(wav.begin(), wav.begin() + wav.size() / 2), "broken WAV data"},
        {"claims-4gib.wav", huge, "broken WAV data"},
        {"no-data.wav", empty, "no sound data"},
        {"odd-chunk-last.wav", oddLast, "broken WAV data"},
        {"zero-bytes.wav", {}, "not a WAV or Ogg Vorbis file"},
        {"picture.wav", readFile(sourceDir() + "/assets/fleche.png"), "not a WAV or Ogg Vorbis file"},
        {"broken-page.ogg", brokenPage, "broken Ogg data"},
        {"truncated.ogg", std::vector<uint8_t>(ogg.begin(), ogg.end() - 100), "broken Ogg data"},
        {"overfull-code-tree.ogg", withOggChecksums(overfull), "broken Ogg data"},
        {"too-long.wav", tooLong, "sound too long"},
    };
    const long peakBefore = peakResidentKiB();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(loadSound(write(c.name, c.bytes).c_str()), nullptr);
        EXPECT_STREQ(lastLoadError(), c.reason);
    }
    EXPECT_EQ(loadSound((dir + "/missing.wav").c_str()), nullptr);
    EXPECT_STREQ(lastLoadError(), "no such file");
    EXPECT_EQ(loadSound(dir.c_str()), nullptr);
    EXPECT_STREQ(lastLoadError(), "cannot read the file");
    EXPECT_LE(peakResidentKiB() - peakBefore, 64 * 1024 + static_cast<long>(tooLong.size() / 1024));
    releaseSound(good);
}

TEST_F(SoundTest, WithoutADeviceSoundRunsUnheardAndSaysNothing)
{
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    testing::internal::CaptureStderr();
    Sound* sound = loadSound(write("tone.wav", wavBytes(tone(440, 0.2, 0.5))).c_str());
    ASSERT_NE(sound, nullptr) << lastLoadError();
    const int32_t voice = playSound(sound, SND_MAX_VOLUME, 0, 0);
    const int64_t started = soundFramesMixed();
    EXPECT_GE(voice, 0);
    EXPECT_EQ(voicePlaying(voice), 1);
    // The dummy device consumes the sound, and the voice ends after it.
    ASSERT_TRUE(mixUntil(started + sound->frameCount + 2 * BUFFER));
    EXPECT_EQ(voicePlaying(voice), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(fs::exists(capturePath));
    releaseSound(sound);
}

TEST_F(SoundTest, ADeviceThatFailsWhilePlayingDoesNotStopTheGame)
{
    setenv("SDL_DISKAUDIOFILE", "/dev/full", 1);  // every write fails: the device is lost
    Sound* sound = load("tone.wav", wavBytes(tone(440, 0.2, 0.5)));
    ASSERT_NE(sound, nullptr);
    const int32_t voice = playSound(sound, SND_MAX_VOLUME, 0, 0);
    const int64_t started = soundFramesMixed();
    EXPECT_GE(voice, 0);
    ASSERT_TRUE(mixUntil(started + sound->frameCount + 2 * BUFFER));
    EXPECT_EQ(voicePlaying(voice), 0);
    EXPECT_GE(playSound(sound, SND_MAX_VOLUME, 0, 0), 0);
    releaseSound(sound);
}

}  // namespace
