// Writes sound files from 16-bit samples: WAV (PCM) and Ogg Vorbis through
// libvorbisenc, with a fixed stream serial so that the same samples give the
// same bytes every time. Used by the sound generator and by the tests.
#pragma once

#include <ogg/ogg.h>
#include <vorbis/vorbisenc.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Interleaved 16-bit samples of `channels` channels at `rate` frames a second.
struct PcmSound {
    int32_t rate = 48000;
    int32_t channels = 1;
    std::vector<int16_t> samples;
};

inline void appendLe(std::vector<uint8_t>& out, uint32_t value, int32_t bytes)
{
    for (int32_t i = 0; i < bytes; i++) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

// A whole WAV file: RIFF header, "fmt " (PCM, `bits` 8 or 16) and "data".
inline std::vector<uint8_t> wavBytes(const PcmSound& sound, int32_t bits = 16)
{
    const uint32_t bytesPerSample = static_cast<uint32_t>(bits / 8);
    const uint32_t dataBytes = static_cast<uint32_t>(sound.samples.size()) * bytesPerSample;
    std::vector<uint8_t> out = {'R', 'I', 'F', 'F'};
    appendLe(out, 36 + dataBytes, 4);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    appendLe(out, 16, 4);
    appendLe(out, 1, 2);  // PCM
    appendLe(out, static_cast<uint32_t>(sound.channels), 2);
    appendLe(out, static_cast<uint32_t>(sound.rate), 4);
    appendLe(out, static_cast<uint32_t>(sound.rate * sound.channels) * bytesPerSample, 4);
    appendLe(out, static_cast<uint32_t>(sound.channels) * bytesPerSample, 2);
    appendLe(out, static_cast<uint32_t>(bits), 2);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    appendLe(out, dataBytes, 4);
    for (int16_t sample : sound.samples) {
        if (bits == 8) {
            out.push_back(static_cast<uint8_t>((sample >> 8) + 128));  // 8-bit WAV is unsigned
        } else {
            appendLe(out, static_cast<uint16_t>(sample), 2);
        }
    }
    return out;
}

// The sound as an Ogg Vorbis file at `quality` (-0.1 to 1.0); empty when
// the encoder refuses the rate or channel count.
inline std::vector<uint8_t> oggVorbisBytes(const PcmSound& sound, float quality = 0.4f)
{
    std::vector<uint8_t> out;
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, sound.channels, sound.rate, quality) != 0) {
        vorbis_info_clear(&info);
        return out;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 0x51756f72);  // fixed serial: the same bytes every time
    auto takePage = [&out](const ogg_page& page) {
        out.insert(out.end(), page.header, page.header + page.header_len);
        out.insert(out.end(), page.body, page.body + page.body_len);
    };

    ogg_packet header, commentHeader, setupHeader;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &setupHeader);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &setupHeader);
    ogg_page page;
    while (ogg_stream_flush(&stream, &page) != 0) {
        takePage(page);
    }

    const size_t frames = sound.samples.size() / static_cast<size_t>(sound.channels);
    const size_t step = 1024;
    for (size_t at = 0;; at += step) {
        const size_t count = at >= frames ? 0 : at + step <= frames ? step : frames - at;
        if (count > 0) {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
            for (size_t i = 0; i < count; i++) {
                for (int32_t c = 0; c < sound.channels; c++) {
                    buffer[c][i] = sound.samples[(at + i) * sound.channels + c] / 32768.0f;
                }
            }
        }
        vorbis_analysis_wrote(&dsp, static_cast<int>(count));  // 0: the end
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) == 1) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0) {
                    takePage(page);
                }
            }
        }
        if (count == 0) {
            break;
        }
    }
    while (ogg_stream_flush(&stream, &page) != 0) {
        takePage(page);
    }
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}

inline bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}
