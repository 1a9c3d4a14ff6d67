// Checks of a sound file's bytes before SDL2_mixer decodes them. The
// decoders trust what a header claims: a WAV data chunk's length is
// allocated as it stands, and a compressed sound is decoded to its end
// whatever that end makes of the memory. Here each claim is held against the
// bytes there are, and the longest sound the file can decode to is counted
// from its headers, so that a load takes memory in proportion to what it
// gives.
#include "snd/sound.h"

#include <cstring>  // Required for: memcmp
#include <vector>

// Sample rates a sound may have; the mixer resamples to SND_RATE.
constexpr uint32_t SND_MIN_FILE_RATE = 1000;
constexpr uint32_t SND_MAX_FILE_RATE = 384000;
constexpr uint32_t SND_MAX_FILE_CHANNELS = 8;

// WAV encodings SDL decodes, by format tag.
constexpr uint16_t WAV_PCM = 0x0001;
constexpr uint16_t WAV_MS_ADPCM = 0x0002;
constexpr uint16_t WAV_IEEE_FLOAT = 0x0003;
constexpr uint16_t WAV_ALAW = 0x0006;
constexpr uint16_t WAV_MULAW = 0x0007;
constexpr uint16_t WAV_IMA_ADPCM = 0x0011;
constexpr uint16_t WAV_EXTENSIBLE = 0xFFFE;
constexpr uint32_t WAV_FMT_BYTES = 16;  // the part of a fmt chunk every encoding has
// The extensible format's sub-format GUID starts 24 bytes into the chunk.
constexpr uint32_t WAV_EXTENSIBLE_BYTES = 40;
constexpr uint32_t WAV_SUBFORMAT_AT = 24;

constexpr size_t OGG_PAGE_HEAD_BYTES = 27;
constexpr uint8_t OGG_BEGIN_OF_STREAM = 0x02;
// The identification header of a Vorbis stream and where its fields lie.
constexpr size_t VORBIS_ID_BYTES = 30;
constexpr size_t VORBIS_CHANNELS_AT = 11;
constexpr size_t VORBIS_RATE_AT = 12;
constexpr size_t VORBIS_BLOCKSIZES_AT = 28;
constexpr uint32_t VORBIS_MIN_BLOCK_EXPONENT = 6;   // 64 samples
constexpr uint32_t VORBIS_MAX_BLOCK_EXPONENT = 13;  // 8192 samples
// Logical streams an Ogg file may interleave or chain.
constexpr int32_t OGG_MAX_STREAMS = 64;
constexpr int32_t VORBIS_SETUP_PACKET = 2;  // the third packet of a stream
constexpr uint32_t VORBIS_CODEBOOK_SYNC = 0x564342;

// One logical stream of an Ogg file: its packets so far, and the bytes of
// its setup header as they are gathered.
struct OggStream {
    uint32_t serial = 0;
    int32_t packets = 0;
    std::vector<uint8_t> setup;
};

// How much of a codebook's tree its codewords fill, counted in leaves of
// depth 32.
struct CodeTree {
    uint64_t codewords;
    uint64_t filled;
    uint32_t lastLength;
};

struct BitReader {
    const uint8_t* bytes;
    uint64_t size;  // in bits
    uint64_t at;    // the next bit
};

struct CrcTable {
    uint32_t entries[256];
};

// The checksum's table, one entry per byte value, made by the compiler.
static constexpr CrcTable makeOggCrcTable()
{
    CrcTable table = {};
    for (uint32_t i = 0; i < 256; i++) {
        uint32_t r = i << 24;
        for (int32_t bit = 0; bit < 8; bit++) {
            r = (r & 0x80000000u) != 0 ? (r << 1) ^ 0x04C11DB7u : r << 1;
        }
        table.entries[i] = r;
    }
    return table;
}

static constexpr CrcTable OGG_CRC_TABLE = makeOggCrcTable();

static SoundFileCheck refuse(const char* reason);
static SoundFileCheck accept(int32_t kind, uint64_t frames, uint32_t rate);
static SoundFileCheck checkWav(const uint8_t* bytes, size_t size);
static SoundFileCheck checkOgg(const uint8_t* bytes, size_t size);
static uint32_t wavFramesBound(uint16_t format, uint32_t channels, uint32_t bitsPerSample,
                               uint64_t dataBytes);
static bool setupHeaderHolds(const std::vector<uint8_t>& setup);
static void addCodewords(CodeTree& tree, uint64_t count, uint32_t length);
static uint32_t bitsFor(uint32_t value);
static uint64_t latticeSide(uint32_t entries, uint32_t dimensions);
static uint32_t readBits(BitReader& bits, uint32_t count);
static void skipBits(BitReader& bits, uint64_t count);
static uint32_t oggCrc(const uint8_t* bytes, size_t size);
static uint16_t readLe16(const uint8_t* p);
static uint32_t readLe32(const uint8_t* p);

SoundFileCheck checkSoundFile(const uint8_t* bytes, size_t size)
{
    if (size >= 12 && std::memcmp(bytes, "RIFF", 4) == 0 && std::memcmp(bytes + 8, "WAVE", 4) == 0) {
        return checkWav(bytes, size);
    }
    if (size >= 4 && std::memcmp(bytes, "OggS", 4) == 0) {
        return checkOgg(bytes, size);
    }
    return refuse("not a WAV or Ogg Vorbis file");
}

static SoundFileCheck refuse(const char* reason)
{
    return {0, 0, reason};
}

// `frames` at `rate`, counted at SND_RATE and rounded up; too long a sound
// is refused.
static SoundFileCheck accept(int32_t kind, uint64_t frames, uint32_t rate)
{
    if (frames == 0) {
        return refuse("no sound data");
    }
    const uint64_t maxFrames = uint64_t{SND_MAX_SOUND_SECONDS} * rate;
    if (frames > maxFrames) {
        return refuse("sound too long");
    }
    const uint64_t atRate = (frames * SND_RATE + rate - 1) / rate;
    return {kind, static_cast<int64_t>(atRate), ""};
}

// The RIFF chunks in turn up to the file's end (the RIFF size field is
// often wrong in files that play well, so it is not trusted); "fmt " must
// come before "data", and the data chunk must be there whole.
static SoundFileCheck checkWav(const uint8_t* bytes, size_t size)
{
    size_t at = 12;
    const uint8_t* fmt = nullptr;
    uint32_t fmtBytes = 0;
    // A last chunk of odd length may end without its padding byte: `at`
    // can then pass the end by one.
    while (at <= size && size - at >= 8) {
        const uint8_t* chunk = bytes + at;
        const uint32_t length = readLe32(chunk + 4);
        const size_t room = size - at - 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (length > room || length < WAV_FMT_BYTES) {
                return refuse("broken WAV data");
            }
            fmt = chunk + 8;
            fmtBytes = length;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (fmt == nullptr || length > room) {
                return refuse("broken WAV data");
            }
            uint16_t format = readLe16(fmt);
            const uint32_t channels = readLe16(fmt + 2);
            const uint32_t rate = readLe32(fmt + 4);
            const uint32_t bits = readLe16(fmt + 14);
            if (format == WAV_EXTENSIBLE) {
                if (fmtBytes < WAV_EXTENSIBLE_BYTES) {
                    return refuse("broken WAV data");
                }
                format = readLe16(fmt + WAV_SUBFORMAT_AT);
            }
            if (channels == 0 || channels > SND_MAX_FILE_CHANNELS || rate < SND_MIN_FILE_RATE ||
                rate > SND_MAX_FILE_RATE) {
                return refuse("unsupported sound format");
            }
            const uint32_t frames = wavFramesBound(format, channels, bits, length);
            if (frames == UINT32_MAX) {
                return refuse("unsupported sound format");
            }
            return accept(SND_FILE_WAV, frames, rate);
        }
        if (length > room) {
            return refuse("broken WAV data");
        }
        at += 8 + size_t{length} + (length & 1);  // chunks are padded to even lengths
    }
    return refuse("broken WAV data");
}

// The most frames `dataBytes` of an encoding can hold; UINT32_MAX for an
// encoding or sample size SDL does not decode.
static uint32_t wavFramesBound(uint16_t format, uint32_t channels, uint32_t bitsPerSample,
                               uint64_t dataBytes)
{
    uint32_t bytesPerSample = 0;
    if (format == WAV_PCM && (bitsPerSample == 8 || bitsPerSample == 16 || bitsPerSample == 24 ||
                              bitsPerSample == 32)) {
        bytesPerSample = bitsPerSample / 8;
    } else if (format == WAV_IEEE_FLOAT && bitsPerSample == 32) {
        bytesPerSample = 4;
    } else if ((format == WAV_ALAW || format == WAV_MULAW) && bitsPerSample == 8) {
        bytesPerSample = 1;
    } else if ((format == WAV_MS_ADPCM || format == WAV_IMA_ADPCM) && bitsPerSample == 4) {
        // Two samples a byte at most: each block also keeps a few whole
        // 16-bit samples in its header.
        return static_cast<uint32_t>(dataBytes * 2 / channels);
    } else {
        return UINT32_MAX;
    }
    return static_cast<uint32_t>(dataBytes / (uint64_t{bytesPerSample} * channels));
}

// Every page in turn from the first byte to the last: capture pattern,
// version, segment table and body within the file, checksum right. Each
// stream must be Vorbis, and its setup header's codebooks must hold
// together (setupHeaderHolds). A Vorbis packet decodes to at most half the
// long block size of samples per channel, so packets x half the largest long
// block, at the lowest rate of any stream, bounds the sound's length.
static SoundFileCheck checkOgg(const uint8_t* bytes, size_t size)
{
    OggStream streams[OGG_MAX_STREAMS];
    int32_t streamCount = 0;
    uint64_t packets = 0;
    uint32_t largestBlock = 0;
    uint32_t lowestRate = SND_MAX_FILE_RATE;
    size_t at = 0;
    while (at < size) {
        const uint8_t* page = bytes + at;
        const size_t room = size - at;
        if (room < OGG_PAGE_HEAD_BYTES || std::memcmp(page, "OggS", 4) != 0 || page[4] != 0) {
            return refuse("broken Ogg data");
        }
        const size_t segments = page[26];
        if (room < OGG_PAGE_HEAD_BYTES + segments) {
            return refuse("broken Ogg data");
        }
        const uint8_t* lacing = page + OGG_PAGE_HEAD_BYTES;
        size_t bodyBytes = 0;
        for (size_t i = 0; i < segments; i++) {
            bodyBytes += lacing[i];
        }
        const size_t pageBytes = OGG_PAGE_HEAD_BYTES + segments + bodyBytes;
        if (room < pageBytes || oggCrc(page, pageBytes) != readLe32(page + 22)) {
            return refuse("broken Ogg data");
        }

        const uint32_t serial = readLe32(page + 14);
        int32_t index = 0;
        while (index < streamCount && streams[index].serial != serial) {
            index++;
        }
        const uint8_t* body = lacing + segments;
        if (index == streamCount) {
            // A new stream must start with a page of its own that holds its
            // identification header whole.
            if ((page[5] & OGG_BEGIN_OF_STREAM) == 0 || streamCount == OGG_MAX_STREAMS) {
                return refuse("broken Ogg data");
            }
            if (bodyBytes < VORBIS_ID_BYTES || std::memcmp(body, "\x01vorbis", 7) != 0) {
                return refuse("not a WAV or Ogg Vorbis file");
            }
            const uint32_t channels = body[VORBIS_CHANNELS_AT];
            const uint32_t rate = readLe32(body + VORBIS_RATE_AT);
            const uint32_t shortExponent = body[VORBIS_BLOCKSIZES_AT] & 0x0F;
            const uint32_t longExponent = body[VORBIS_BLOCKSIZES_AT] >> 4;
            if (channels == 0 || rate < SND_MIN_FILE_RATE || rate > SND_MAX_FILE_RATE ||
                shortExponent < VORBIS_MIN_BLOCK_EXPONENT || longExponent > VORBIS_MAX_BLOCK_EXPONENT ||
                shortExponent > longExponent) {
                return refuse("broken Ogg data");
            }
            streams[streamCount++].serial = serial;
            largestBlock = largestBlock > (1u << longExponent) ? largestBlock : 1u << longExponent;
            lowestRate = lowestRate < rate ? lowestRate : rate;
        }

        // The stream's third packet, its setup header, is gathered from its
        // segments and checked once whole.
        OggStream& stream = streams[index];
        for (size_t i = 0; i < segments; i++) {
            if (stream.packets == VORBIS_SETUP_PACKET) {
                stream.setup.insert(stream.setup.end(), body, body + lacing[i]);
            }
            body += lacing[i];
            if (lacing[i] < 255) {  // a packet ends at a lacing value below 255
                packets++;
                if (++stream.packets == VORBIS_SETUP_PACKET + 1 && !setupHeaderHolds(stream.setup)) {
                    return refuse("broken Ogg data");
                }
            }
        }
        at += pageBytes;
    }
    if (streamCount == 0) {
        return refuse("broken Ogg data");
    }
    // Three header packets per stream decode to nothing.
    const uint64_t audioPackets = packets > uint64_t{3} * streamCount ? packets - 3 * streamCount : 0;
    return accept(SND_FILE_OGG_VORBIS, audioPackets * (largestBlock / 2), lowestRate);
}

// The codebooks that open a Vorbis setup header, read as the decoder reads
// them: each of at least one dimension, and with codeword lengths that fill
// the code tree exactly (or a single codeword of one bit). The system's
// libvorbis, handed a book whose tree is over- or underfull, fails to set up
// the decoder, and when asked to decode again sets it up with that book
// zeroed and divides by its dimension: the program would end there.
static bool setupHeaderHolds(const std::vector<uint8_t>& setup)
{
    if (setup.size() < 7 || std::memcmp(setup.data(), "\x05vorbis", 7) != 0) {
        return false;
    }
    BitReader bits = {setup.data() + 7, uint64_t{setup.size() - 7} * 8, 0};
    const uint32_t books = readBits(bits, 8) + 1;
    for (uint32_t book = 0; book < books; book++) {
        if (readBits(bits, 24) != VORBIS_CODEBOOK_SYNC) {
            return false;
        }
        const uint32_t dimensions = readBits(bits, 16);
        const uint32_t entries = readBits(bits, 24);
        if (dimensions == 0 || bits.at > bits.size) {
            return false;
        }
        // Each codeword of length l takes 2^(32 - l) of a tree of 2^32.
        CodeTree tree = {0, 0, 0};
        if (readBits(bits, 1) != 0) {  // ordered: runs of entries of one length each
            uint32_t entry = 0;
            uint32_t length = readBits(bits, 5) + 1;
            while (entry < entries && bits.at <= bits.size && length <= 32) {
                const uint32_t count = readBits(bits, bitsFor(entries - entry));
                addCodewords(tree, count, length);
                entry += count;
                length++;
            }
            if (entry != entries) {
                return false;
            }
        } else {
            const bool sparse = readBits(bits, 1) != 0;  // a flag, and a length for some
            if (!sparse && uint64_t{entries} * 5 > bits.size - bits.at) {
                return false;
            }
            for (uint32_t entry = 0; entry < entries && bits.at <= bits.size; entry++) {
                if (!sparse || readBits(bits, 1) != 0) {
                    addCodewords(tree, 1, readBits(bits, 5) + 1);
                }
            }
        }
        const bool oneBitCodeword = tree.codewords == 1 && tree.lastLength == 1;
        if (tree.codewords != 0 && !oneBitCodeword && tree.filled != uint64_t{1} << 32) {
            return false;
        }
        const uint32_t lookup = readBits(bits, 4);
        if (lookup > 2) {
            return false;
        }
        if (lookup != 0) {
            skipBits(bits, 64);  // the least value and the step, as floats
            const uint32_t valueBits = readBits(bits, 4) + 1;
            skipBits(bits, 1);
            const uint64_t values = lookup == 1 ? latticeSide(entries, dimensions)
                                                : uint64_t{entries} * dimensions;
            skipBits(bits, values * valueBits);
        }
        if (bits.at > bits.size) {
            return false;
        }
    }
    return true;
}

static void addCodewords(CodeTree& tree, uint64_t count, uint32_t length)
{
    tree.codewords += count;
    tree.filled += count << (32 - length);  // at most 2^24 x 2^31: no overflow
    tree.lastLength = length;
}

// Bits needed to write `value`: 0 for 0.
static uint32_t bitsFor(uint32_t value)
{
    uint32_t count = 0;
    for (; value != 0; value >>= 1) {
        count++;
    }
    return count;
}

// The largest r with r^dimensions <= entries (a lattice codebook's values
// per dimension); 0 for no entries.
static uint64_t latticeSide(uint32_t entries, uint32_t dimensions)
{
    uint64_t low = 0;
    uint64_t high = entries;
    while (low < high) {
        const uint64_t r = (low + high + 1) / 2;
        uint64_t power = 1;
        for (uint32_t i = 0; i < dimensions && power <= entries; i++) {
            power *= r;
        }
        if (power <= entries) {
            low = r;
        } else {
            high = r - 1;
        }
    }
    return low;
}

// Vorbis packs fields from the lowest bit of each byte up. Reading past the
// end gives zeros and leaves `at` beyond `size`, which the caller checks.
static uint32_t readBits(BitReader& bits, uint32_t count)
{
    uint32_t value = 0;
    for (uint32_t i = 0; i < count; i++, bits.at++) {
        if (bits.at < bits.size) {
            value |= uint32_t{(bits.bytes[bits.at / 8] >> (bits.at % 8)) & 1u} << i;
        }
    }
    return value;
}

static void skipBits(BitReader& bits, uint64_t count)
{
    bits.at = count > bits.size - (bits.at < bits.size ? bits.at : bits.size) ? bits.size + 1 : bits.at + count;
}

// Ogg's CRC-32: polynomial 0x04C11DB7, most significant bit first, no
// reflection, initial value 0; the checksum field itself counts as zeros.
static uint32_t oggCrc(const uint8_t* bytes, size_t size)
{
    uint32_t crc = 0;
    for (size_t i = 0; i < size; i++) {
        const uint8_t byte = i >= 22 && i < 26 ? 0 : bytes[i];
        crc = (crc << 8) ^ OGG_CRC_TABLE.entries[((crc >> 24) ^ byte) & 0xFF];
    }
    return crc;
}

static uint16_t readLe16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

static uint32_t readLe32(const uint8_t* p)
{
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
