// Sound: SDL2_mixer's channels are the voices, its music stream the music,
// and its callback on SDL's audio thread the mixer. The device is opened by
// the first call that needs it; when no real device opens, SDL's "dummy"
// driver takes its place and consumes the output at the real rate, so a game
// without sound hardware runs as it would with it, unheard. After each mixed
// buffer (afterMix, on the audio thread) the module applies the volumes and
// follows the emulation's pause for the next buffer.
#include "snd/sound.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <cerrno>   // Required for: errno
#include <cstdio>   // Required for: fopen, fread, fclose
#include <cstdlib>  // Required for: malloc, realloc, free
#include <new>      // Required for: std::nothrow

#include "gfx/png_loader.h"  // Required for: setLoadError
#include "quorl/host.h"       // Required for: emuSound, emuVolume

// Largest sound file loadSound reads into memory.
constexpr size_t SND_MAX_FILE_BYTES = 64u << 20;
constexpr size_t SND_READ_STEP = 1u << 16;
// Mix_SetPanning's full level for a side.
constexpr int32_t SND_PAN_FULL = 255;
// Voice numbers are serial x SND_VOICE_COUNT + channel; the serial wraps here.
constexpr int32_t SND_SERIAL_LIMIT = INT32_MAX / SND_VOICE_COUNT;
constexpr int32_t SND_PERCENT = 100;

struct SoundState {
    // Game thread.
    int32_t opened;                         // the mixer and its device are open
    int32_t voiceSerial[SND_VOICE_COUNT];   // serial of the sound each channel was given last
    int32_t nextSerial;
    Mix_Music* music;                       // the music playing, or null
    // Audio thread (and closeSound once that thread has ended).
    int32_t outputHeld;                     // voices and music are paused for a hold
    // Shared.
    std::atomic<int32_t> masterVolume;
    std::atomic<int32_t> musicVolume;
    std::atomic<int32_t> holdRequested;
    std::atomic<int32_t> stepFrames;        // frames a step still lets through while held
    std::atomic<int64_t> framesMixed;
};

static SoundState soundState = {0, {}, 0, nullptr, 0, {SND_MAX_VOLUME}, {SND_MAX_VOLUME}, {0}, {0}, {0}};


static bool openMixer();
static bool openDevice();
static void SDLCALL afterMix(void* unused, Uint8* stream, int length);
static void applyVolumes();
static bool outputHeldNow();
static void setChannelPan(int32_t channel, int32_t pan);
static int32_t voiceChannel(int32_t voice);
static int32_t clampTo(int32_t value, int32_t low, int32_t high);
static uint8_t* readWholeFile(FILE* file, size_t* size);
static bool openForReading(const char* path, FILE** file);
static Sound* failSound(const char* reason);

Sound* loadSound(const char* path)
{
    FILE* file = nullptr;
    if (!openForReading(path, &file)) {
        return nullptr;
    }
    size_t size = 0;
    uint8_t* bytes = readWholeFile(file, &size);
    std::fclose(file);
    if (bytes == nullptr) {
        return nullptr;
    }
    Sound* sound = loadSoundBytes(bytes, size);
    std::free(bytes);
    return sound;
}

Sound* loadSoundBytes(const uint8_t* bytes, size_t size)
{
    const SoundFileCheck check = checkSoundFile(bytes, size);
    if (check.kind == 0) {
        return failSound(check.reason);
    }
    if (!openMixer()) {
        return failSound("no sound device");
    }
    SDL_RWops* source = SDL_RWFromConstMem(bytes, static_cast<int>(size));
    if (source == nullptr) {
        return failSound("out of memory");
    }
    // Decoded and converted to the mixer's format; a compressed file is
    // decoded under the mixer's lock, so voices pause while it loads.
    Mix_Chunk* chunk = Mix_LoadWAV_RW(source, 1);
    if (chunk == nullptr) {
        return failSound(check.kind == SND_FILE_WAV ? "broken WAV data" : "broken Ogg data");
    }
    const int32_t frames = static_cast<int32_t>(chunk->alen / SND_FRAME_BYTES);
    if (frames == 0) {
        Mix_FreeChunk(chunk);
        return failSound("no sound data");
    }
    Sound* sound = new (std::nothrow) Sound{reinterpret_cast<int16_t*>(chunk->abuf), frames, chunk};
    if (sound == nullptr) {
        Mix_FreeChunk(chunk);
        return failSound("out of memory");
    }
    setLoadError("");
    return sound;
}

void releaseSound(Sound* sound)
{
    if (sound == nullptr) {
        return;
    }
    // Stops every voice playing it first.
    Mix_FreeChunk(static_cast<Mix_Chunk*>(sound->mixerChunk));
    delete sound;
}

int32_t playSound(Sound* sound, int32_t volume, int32_t pan, int32_t loop)
{
    if (sound == nullptr || !openMixer()) {
        return -1;
    }
    // Only this thread starts voices, so a free channel stays free while its
    // volume and pan are set, before the mixer can hear it.
    for (int32_t channel = 0; channel < SND_VOICE_COUNT; channel++) {
        if (Mix_Playing(channel) != 0) {
            continue;
        }
        Mix_Volume(channel, clampTo(volume, 0, SND_MAX_VOLUME));
        setChannelPan(channel, pan);
        if (Mix_PlayChannel(channel, static_cast<Mix_Chunk*>(sound->mixerChunk), loop != 0 ? -1 : 0) < 0) {
            return -1;
        }
        if (outputHeldNow()) {
            Mix_Pause(channel);
        }
        const int32_t serial = soundState.nextSerial;
        soundState.nextSerial = serial + 1 < SND_SERIAL_LIMIT ? serial + 1 : 0;
        soundState.voiceSerial[channel] = serial;
        return serial * SND_VOICE_COUNT + channel;
    }
    return -1;
}

void stopVoice(int32_t voice)
{
    const int32_t channel = voiceChannel(voice);
    if (channel >= 0) {
        Mix_HaltChannel(channel);
    }
}

void setVoiceVolume(int32_t voice, int32_t volume)
{
    const int32_t channel = voiceChannel(voice);
    if (channel >= 0) {
        Mix_Volume(channel, clampTo(volume, 0, SND_MAX_VOLUME));
    }
}

int32_t voicePlaying(int32_t voice)
{
    const int32_t channel = voiceChannel(voice);
    return channel >= 0 && Mix_Playing(channel) != 0 ? 1 : 0;
}

int32_t playMusic(const char* path, int32_t loop)
{
    FILE* file = nullptr;
    if (!openForReading(path, &file)) {
        return 0;
    }
    std::fclose(file);
    if (!openMixer()) {
        failSound("no sound device");
        return 0;
    }
    Mix_Music* music = Mix_LoadMUS(path);
    if (music == nullptr) {
        failSound("not a sound file");
        return 0;
    }
    stopMusic();
    if (Mix_PlayMusic(music, loop != 0 ? -1 : 1) < 0) {
        Mix_FreeMusic(music);
        failSound("broken sound data");
        return 0;
    }
    if (outputHeldNow()) {
        Mix_PauseMusic();
    }
    soundState.music = music;
    setLoadError("");
    return 1;
}

void stopMusic()
{
    if (soundState.music != nullptr) {
        Mix_FreeMusic(soundState.music);  // halts it first
        soundState.music = nullptr;
    }
}

void setMusicVolume(int32_t volume)
{
    soundState.musicVolume.store(clampTo(volume, 0, SND_MAX_VOLUME), std::memory_order_relaxed);
    if (soundState.opened != 0) {
        applyVolumes();
    }
}

void setMasterVolume(int32_t volume)
{
    soundState.masterVolume.store(clampTo(volume, 0, SND_MAX_VOLUME), std::memory_order_relaxed);
    if (soundState.opened != 0) {
        applyVolumes();
    }
}

void holdSoundOutput()
{
    soundState.holdRequested.store(1, std::memory_order_relaxed);
}

void stepSoundOutput(int32_t frames)
{
    soundState.stepFrames.fetch_add(frames, std::memory_order_relaxed);
}

void resumeSoundOutput()
{
    // Called at every running frame: mostly a read.
    if (soundState.holdRequested.load(std::memory_order_relaxed) != 0) {
        soundState.holdRequested.store(0, std::memory_order_relaxed);
        soundState.stepFrames.store(0, std::memory_order_relaxed);
    }
}

int64_t soundFramesMixed()
{
    return soundState.framesMixed.load(std::memory_order_relaxed);
}

void closeSound()
{
    if (soundState.opened == 0) {
        return;
    }
    stopMusic();
    Mix_CloseAudio();  // ends the audio thread
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    soundState.opened = 0;
    soundState.outputHeld = 0;
    soundState.framesMixed.store(0, std::memory_order_relaxed);
}

// Opens the mixer once; false only when not even SDL's dummy driver opens.
static bool openMixer()
{
    if (soundState.opened != 0) {
        return true;
    }
    if (!openDevice()) {
        return false;
    }
    Mix_AllocateChannels(SND_VOICE_COUNT);
    Mix_SetPostMix(afterMix, nullptr);
    applyVolumes();
    soundState.opened = 1;
    return true;
}

// The driver SDL picks (or SDL_AUDIODRIVER names), else the dummy driver.
// A driver with no output device is not asked to open one: ALSA on a
// machine without a sound card would print its failure on stderr.
static bool openDevice()
{
    // SDL's audio brings its event subsystem along, whose default signal
    // handlers would swallow the host's SIGINT and SIGTERM; nothing reads
    // its event queue here, so device events are not queued either.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    for (int32_t attempt = 0; attempt < 2; attempt++) {
        if (attempt == 1) {
            SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
        }
        bool opened = false;
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
            SDL_EventState(SDL_AUDIODEVICEADDED, SDL_IGNORE);
            SDL_EventState(SDL_AUDIODEVICEREMOVED, SDL_IGNORE);
            // Exactly the format asked for: SDL converts for the device, so
            // every Sound's samples are SND_RATE stereo 16-bit.
            opened = SDL_GetNumAudioDevices(0) != 0 &&
                     Mix_OpenAudioDevice(SND_RATE, AUDIO_S16SYS, 2, SND_BUFFER_FRAMES, nullptr, 0) == 0;
            if (!opened) {
                SDL_QuitSubSystem(SDL_INIT_AUDIO);
            }
        }
        if (attempt == 1) {
            SDL_ResetHint(SDL_HINT_AUDIODRIVER);
        }
        if (opened) {
            return true;
        }
    }
    return false;
}

// After each buffer, on the audio thread: the volumes and the hold as they
// stand now, for the next buffer. A hold pauses every voice and the music
// (again at every held buffer: a voice started during a step must stop
// too); a step lets whole buffers through until its frames are used up.
static void SDLCALL afterMix(void* unused, Uint8* stream, int length)
{
    (void)unused;
    (void)stream;
    const int32_t frames = length / SND_FRAME_BYTES;
    applyVolumes();

    bool run = soundState.holdRequested.load(std::memory_order_relaxed) == 0;
    if (!run && soundState.stepFrames.load(std::memory_order_relaxed) > 0) {
        soundState.stepFrames.fetch_sub(frames, std::memory_order_relaxed);
        run = true;
    }
    if (run && soundState.outputHeld != 0) {
        Mix_Resume(-1);
        Mix_ResumeMusic();
        soundState.outputHeld = 0;
    } else if (!run) {
        Mix_Pause(-1);
        Mix_PauseMusic();
        soundState.outputHeld = 1;
    }
    soundState.framesMixed.fetch_add(frames, std::memory_order_relaxed);
}

// Master volume, scaled by the emulation's settings, for voices and music
// alike; applied before the voices are summed, so a low volume does not clip
// where full volume would not.
static void applyVolumes()
{
    int32_t master = soundState.masterVolume.load(std::memory_order_relaxed);
    const int32_t percent = clampTo(emuVolume.load(std::memory_order_relaxed), 0, SND_PERCENT);
    master = emuSound.load(std::memory_order_relaxed) != 0 ? master * percent / SND_PERCENT : 0;
    Mix_MasterVolume(master);
    Mix_VolumeMusic(soundState.musicVolume.load(std::memory_order_relaxed) * master / SND_MAX_VOLUME);
}

// True while the game is held and no step lets sound through: a voice or
// music started now (in a step's frame, after its sound) waits paused.
static bool outputHeldNow()
{
    return soundState.holdRequested.load(std::memory_order_relaxed) != 0 &&
           soundState.stepFrames.load(std::memory_order_relaxed) <= 0;
}

// Pan as a balance: the far side fades out, the near side stays whole.
static void setChannelPan(int32_t channel, int32_t pan)
{
    const int32_t p = clampTo(pan, SND_PAN_LEFT, SND_PAN_RIGHT);
    const int32_t left = p <= 0 ? SND_PAN_FULL : SND_PAN_FULL * (SND_PAN_RIGHT - p) / SND_PAN_RIGHT;
    const int32_t right = p >= 0 ? SND_PAN_FULL : SND_PAN_FULL * (p - SND_PAN_LEFT) / SND_PAN_RIGHT;
    Mix_SetPanning(channel, static_cast<Uint8>(left), static_cast<Uint8>(right));
}

// The channel of a voice number while it still names the sound it was
// given for, else -1: an old number never touches a newer sound.
static int32_t voiceChannel(int32_t voice)
{
    if (voice < 0 || soundState.opened == 0) {
        return -1;
    }
    const int32_t channel = voice % SND_VOICE_COUNT;
    return soundState.voiceSerial[channel] == voice / SND_VOICE_COUNT ? channel : -1;
}

static int32_t clampTo(int32_t value, int32_t low, int32_t high)
{
    return value < low ? low : value > high ? high : value;
}

// The file's bytes in a malloc'd buffer; null (with the reason set) when it
// cannot be read or is larger than SND_MAX_FILE_BYTES.
static uint8_t* readWholeFile(FILE* file, size_t* size)
{
    uint8_t* bytes = nullptr;
    size_t used = 0;
    size_t capacity = 0;
    for (;;) {
        if (used == capacity) {
            if (capacity >= SND_MAX_FILE_BYTES) {
                std::free(bytes);
                failSound("sound too long");
                return nullptr;
            }
            capacity = capacity == 0 ? SND_READ_STEP : capacity * 2;
            uint8_t* grown = static_cast<uint8_t*>(std::realloc(bytes, capacity));
            if (grown == nullptr) {
                std::free(bytes);
                failSound("out of memory");
                return nullptr;
            }
            bytes = grown;
        }
        const size_t got = std::fread(bytes + used, 1, capacity - used, file);
        used += got;
        if (got == 0) {
            break;
        }
    }
    if (std::ferror(file)) {
        std::free(bytes);
        failSound("cannot read the file");  // a directory, for one
        return nullptr;
    }
    *size = used;
    return bytes;
}

// Opens a file for reading, or sets the reason as the picture loaders do.
static bool openForReading(const char* path, FILE** file)
{
    *file = path != nullptr ? std::fopen(path, "rb") : nullptr;
    if (*file == nullptr) {
        const bool missing = path == nullptr || errno == ENOENT || errno == ENOTDIR;
        failSound(missing ? "no such file" : "cannot read the file");
        return false;
    }
    return true;
}

static Sound* failSound(const char* reason)
{
    setLoadError(reason);
    return nullptr;
}
