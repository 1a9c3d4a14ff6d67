// The sound module of a build without SDL2 and SDL2_mixer (the Windows
// cross-build, until it has them): the same calls, and nothing heard.
// Sounds do not load (lastLoadError says so), so a game that goes on
// without its sounds runs here as it would on a machine that could not
// read them; voices and music never start.
#include "snd/sound.h"

#include "gfx/png_loader.h"  // Required for: setLoadError

std::atomic<int32_t> emuSound{1};
std::atomic<int32_t> emuVolume{100};

Sound* loadSound(const char* path)
{
    (void)path;
    setLoadError("no sound in this build");
    return nullptr;
}

Sound* loadSoundBytes(const uint8_t* bytes, size_t size)
{
    (void)bytes;
    (void)size;
    return loadSound(nullptr);
}

void releaseSound(Sound* sound)
{
    (void)sound;
}

int32_t playSound(Sound* sound, int32_t volume, int32_t pan, int32_t loop)
{
    (void)sound;
    (void)volume;
    (void)pan;
    (void)loop;
    return -1;
}

void stopVoice(int32_t voice)
{
    (void)voice;
}

void setVoiceVolume(int32_t voice, int32_t volume)
{
    (void)voice;
    (void)volume;
}

int32_t voicePlaying(int32_t voice)
{
    (void)voice;
    return 0;
}

int32_t playMusic(const char* path, int32_t loop)
{
    (void)path;
    (void)loop;
    setLoadError("no sound in this build");
    return 0;
}

void stopMusic()
{
}

void setMusicVolume(int32_t volume)
{
    (void)volume;
}

void setMasterVolume(int32_t volume)
{
    (void)volume;
}

void holdSoundOutput()
{
}

void stepSoundOutput(int32_t frames)
{
    (void)frames;
}

void resumeSoundOutput()
{
}

int64_t soundFramesMixed()
{
    return 0;
}

void closeSound()
{
}
