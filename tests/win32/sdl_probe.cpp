// SDL2 and SDL2_mixer as the Windows build links them (static, from
// build-win32/deps/prefix): WAV and Ogg Vorbis files played through SDL's
// disk audio driver and read back from its output file, and a virtual game
// controller whose pressed buttons read back through the game-controller
// layer.
#define SDL_MAIN_HANDLED
#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const int PROBE_RATE = 22050;
const int PROBE_TONE_FRAMES = PROBE_RATE / 4;  // a quarter of a second
const int PROBE_TONE_PEAK = 8192;  // as make_tone_ogg.sh writes it too
const double PROBE_PI = 3.14159265358979323846;

// A 16-bit mono sine of PROBE_TONE_FRAMES at PROBE_RATE, as a WAV file.
void writeToneWav(const fs::path& path)
{
    std::ofstream out(path, std::ios::binary);
    auto put = [&out](uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            out.put(static_cast<char>(value >> (8 * i)));
        }
    };
    const uint32_t dataBytes = PROBE_TONE_FRAMES * 2;
    out << "RIFF";
    put(36 + dataBytes, 4);
    out << "WAVEfmt ";
    put(16, 4);
    put(1, 2);  // PCM
    put(1, 2);  // mono
    put(PROBE_RATE, 4);
    put(PROBE_RATE * 2, 4);
    put(2, 2);
    put(16, 2);
    out << "data";
    put(dataBytes, 4);
    for (int i = 0; i < PROBE_TONE_FRAMES; ++i) {
        double sample = PROBE_TONE_PEAK * std::sin(2 * PROBE_PI * 441.0 * i / PROBE_RATE);
        put(static_cast<uint16_t>(static_cast<int16_t>(std::lround(sample))), 2);
    }
}

std::vector<int16_t> readSamples(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int16_t> samples(bytes.size() / 2);
    std::copy_n(bytes.data(), samples.size() * 2, reinterpret_cast<char*>(samples.data()));
    return samples;
}

struct PlayCase {
    const char* name;
    bool ogg;    // the Ogg Vorbis tone rather than the WAV one
    bool music;  // streamed with Mix_LoadMUS rather than decoded whole
};

void PrintTo(const PlayCase& c, std::ostream* os)
{
    *os << c.name;
}

class SdlSound : public testing::TestWithParam<PlayCase> {};

// Opens the mixer on the disk driver writing to `output`, plays `file` once to
// its end and closes the device, which finishes the output file.
void playToDisk(const fs::path& file, bool music, const fs::path& output)
{
    SDL_setenv("SDL_AUDIODRIVER", "disk", 1);
    SDL_setenv("SDL_DISKAUDIOFILE", output.string().c_str(), 1);
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO), 0) << SDL_GetError();
    ASSERT_EQ(Mix_OpenAudio(PROBE_RATE, AUDIO_S16LSB, 1, 512), 0) << Mix_GetError();
    ASSERT_STREQ(SDL_GetCurrentAudioDriver(), "disk");
    Mix_Chunk* chunk = nullptr;
    Mix_Music* tune = nullptr;
    if (music) {
        tune = Mix_LoadMUS(file.string().c_str());
        ASSERT_NE(tune, nullptr) << Mix_GetError();
        ASSERT_EQ(Mix_PlayMusic(tune, 0), 0) << Mix_GetError();
    } else {
        chunk = Mix_LoadWAV(file.string().c_str());
        ASSERT_NE(chunk, nullptr) << Mix_GetError();
        ASSERT_GE(Mix_PlayChannel(-1, chunk, 0), 0) << Mix_GetError();
    }
    // The disk driver writes in real time: the tone takes a quarter second.
    for (int waited = 0; (Mix_Playing(-1) || Mix_PlayingMusic()) && waited < 3000; waited += 10) {
        SDL_Delay(10);
    }
    EXPECT_FALSE(Mix_Playing(-1) || Mix_PlayingMusic()) << "still playing after 3 s";
    Mix_FreeMusic(tune);
    Mix_FreeChunk(chunk);
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

TEST_P(SdlSound, PlaysToTheDiskDriver)
{
    const PlayCase& c = GetParam();
    fs::path dir = fs::temp_directory_path() / ("quorl-sdl-probe-" + std::string(c.name));
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::path file = dir / "tone.wav";
    if (c.ogg) {
        const char* ogg = std::getenv("QUORL_PROBE_OGG");
        ASSERT_NE(ogg, nullptr) << "QUORL_PROBE_OGG names the Ogg Vorbis tone";
        file = ogg;
    } else {
        writeToneWav(file);
    }
    fs::path output = dir / "output.raw";
    playToDisk(file, c.music, output);

    // The tone, decoded and mixed at full volume, is in the output: as many
    // sounding samples as it lasts (give or take zero crossings) and about
    // its loudness (Vorbis rounds the square wave's corners into overshoots
    // of a tenth or so).
    std::vector<int16_t> samples = readSamples(output);
    auto sounding = std::count_if(samples.begin(), samples.end(), [](int16_t s) { return s != 0; });
    int peak = 0;
    for (int16_t s : samples) {
        peak = std::max(peak, std::abs(int(s)));
    }
    EXPECT_GE(sounding, PROBE_TONE_FRAMES * 9 / 10) << samples.size() << " samples written";
    EXPECT_GE(peak, PROBE_TONE_PEAK * 3 / 4);
    EXPECT_LE(peak, PROBE_TONE_PEAK * 3 / 2);
    fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Files, SdlSound,
                         testing::Values(PlayCase{"wav_sound", false, false},
                                         PlayCase{"ogg_sound", true, false},
                                         PlayCase{"ogg_music", true, true}),
                         [](const testing::TestParamInfo<PlayCase>& info) { return info.param.name; });

TEST(SdlController, VirtualControllerButtonsReadBack)
{
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.name = "Quorl probe pad";
    int index = SDL_JoystickAttachVirtualEx(&desc);
    ASSERT_GE(index, 0) << SDL_GetError();
    ASSERT_TRUE(SDL_IsGameController(index));
    SDL_GameController* pad = SDL_GameControllerOpen(index);
    ASSERT_NE(pad, nullptr) << SDL_GetError();
    SDL_Joystick* stick = SDL_GameControllerGetJoystick(pad);

    // With no button mask, virtual button i is game-controller button i.
    for (SDL_GameControllerButton pressed : {SDL_CONTROLLER_BUTTON_A, SDL_CONTROLLER_BUTTON_B,
                                             SDL_CONTROLLER_BUTTON_START, SDL_CONTROLLER_BUTTON_DPAD_LEFT}) {
        ASSERT_EQ(SDL_JoystickSetVirtualButton(stick, pressed, SDL_PRESSED), 0) << SDL_GetError();
        SDL_GameControllerUpdate();
        for (int b = 0; b < SDL_CONTROLLER_BUTTON_MAX; ++b) {
            auto button = static_cast<SDL_GameControllerButton>(b);
            EXPECT_EQ(SDL_GameControllerGetButton(pad, button), button == pressed ? 1 : 0)
                << SDL_GameControllerGetStringForButton(button) << " with "
                << SDL_GameControllerGetStringForButton(pressed) << " pressed";
        }
        SDL_JoystickSetVirtualButton(stick, pressed, SDL_RELEASED);
    }
    SDL_GameControllerClose(pad);
    SDL_JoystickDetachVirtual(index);
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

}  // namespace
