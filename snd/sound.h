// The sound module: the mixer on SDL2's audio and SDL2_mixer, opened by the
// first sound call, and the checks a sound file passes before it is decoded.
// What a game calls (loadSound, playSound, playMusic, ...) is in
// quorl/quorl.h; this is what the rest of the library and the tests use.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "quorl/quorl.h"

// Frames per mixer buffer: 512 frames are 10.7 ms at SND_RATE, so a sound
// leaves the mixer at most one buffer after playSound, and a buffer can be
// late by as much again before the device runs dry.
constexpr int32_t SND_BUFFER_FRAMES = 512;
// Bytes of one stereo frame of 16-bit samples.
constexpr int32_t SND_FRAME_BYTES = 4;
// Sound a step of the paused emulation lets through: one vertical blank's.
constexpr int32_t SND_FRAMES_PER_VBLANK = 800;

// The emulation's pause, told by waitVBlank's hold: holdSoundOutput stops
// voices and music where they are from the next mixer buffer on,
// stepSoundOutput lets `frames` more frames be mixed while held (the
// buffers go through whole, and what one step lets through beyond its
// frames the next step keeps back), resumeSoundOutput ends the hold. They
// only set values the mixer reads: without sound they cost nothing.
void holdSoundOutput();
void stepSoundOutput(int32_t frames);
void resumeSoundOutput();

// Frames the mixer has produced since it was opened: the position in the
// output stream, for tests and benchmarks that compare what they did with
// what came out. Counted at the end of each buffer.
int64_t soundFramesMixed();

// Closes the mixer and the device, if open; the next sound call opens them
// again (with the environment of then: tests use it to start a fresh
// capture). Stops the music; loaded sounds stay valid.
void closeSound();

// What a sound file's bytes hold, checked before anything is decoded.
constexpr int32_t SND_FILE_WAV = 1;
constexpr int32_t SND_FILE_OGG_VORBIS = 2;

struct SoundFileCheck {
    int32_t kind;           // SND_FILE_WAV or SND_FILE_OGG_VORBIS; 0 when refused
    int64_t framesAtRate;   // most frames the decoded sound can have at SND_RATE
    const char* reason;     // why it was refused, for lastLoadError; "" otherwise
};

// Checks a whole sound file in memory: a WAV file whose chunks lie within
// the file, or an Ogg file of Vorbis streams whose pages are all whole with
// right checksums; and that the decoded sound can be no longer than
// SND_MAX_SOUND_SECONDS, counted from the headers and the packet count
// without decoding. Reads nothing outside `bytes`.
SoundFileCheck checkSoundFile(const uint8_t* bytes, size_t size);

// loadSound's work on a file already in memory (the fuzz target's way in):
// the same checks, reasons and result.
Sound* loadSoundBytes(const uint8_t* bytes, size_t size);
