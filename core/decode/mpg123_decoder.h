// MPEG audio decoding through libmpg123, straight from a file image in memory.
//
// The decoder runs with gapless trimming off and the LAME/Xing Info frame
// treated as an ordinary frame, and always outputs signed 16-bit samples at
// the stream's own rate and channel count. So every call of NextFrame gives
// the PCM of exactly one MPEG frame, and PCM frame j is MPEG frame j counted
// from the first frame the stream is opened at (an Info frame decodes as
// silence and counts like any other frame).
//
// One Mpg123Decoder is one stream; it is not thread-safe, but several
// decoders may run at once in different threads over the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct mpg123_handle_struct;

namespace tessivo {

// What a probe of a whole file image learnt.
struct Mpg123Probe {
    bool ok = false;           // an MPEG layer III stream with at least one frame
    int layer = 0;             // 1, 2 or 3 as the decoder saw the first frame
    uint32_t rate = 0;         // sample rate in Hz
    int channels = 0;          // 1 or 2
    uint64_t frames = 0;       // MPEG frames the decoder finds in the whole file
    uint64_t decodedBytes = 0; // exact length of the decoded 16-bit PCM in bytes
    double duration = 0.0;     // seconds
};

class Mpg123Decoder {
public:
    Mpg123Decoder();
    ~Mpg123Decoder();
    Mpg123Decoder(const Mpg123Decoder&) = delete;
    Mpg123Decoder& operator=(const Mpg123Decoder&) = delete;

    // Examines data[0, size): stream type, format and the exact decoded
    // length (every frame header is read, nothing decoded). Never throws;
    // ok is false for anything that is not a layer III stream.
    static Mpg123Probe Probe(const uint8_t* data, size_t size);

    // Opens a decode stream over data[begin, size). The bytes are not copied
    // and must stay unchanged while the stream is open. `begin` should be the
    // offset of a frame header. False when the decoder cannot start there.
    bool Open(const uint8_t* data, size_t size, size_t begin = 0);

    // Opens the stream so that the next NextFrame call delivers frame `frame`
    // of the frame index `framePos` (offsets of `indexedFrames` frames in
    // data). The stream starts a few frames earlier (WarmupStart) and those
    // frames are decoded and dropped, so the bit reservoir, the overlap and
    // the filter bank are filled: the frames then sound as in a decode from
    // frame 0. The samples can differ in the last bit now and then (the
    // synthesis filter's rounding depends on how many frames the decoder has
    // seen); the peak table checks its seams for that.
    bool OpenAtFrame(const uint8_t* data, size_t size, const int64_t* framePos,
                     uint32_t indexedFrames, uint32_t frame);

    // The frame at which OpenAtFrame starts decoding for `frame`: enough
    // frames back to cover the largest bit reservoir, and a multiple of 8 so
    // the synthesis filter usually runs in the same phase as in a decode from
    // frame 0.
    static uint32_t WarmupStart(const int64_t* framePos, uint32_t frame);

    void Close();
    bool IsOpen() const { return mh_ != nullptr; }

    // Decodes the next MPEG frame. On success `pcm` points to interleaved
    // samples (channel 1 first) valid until the next call, and `bytes` is
    // their size. False at the end of the stream or on an error that stops it.
    bool NextFrame(const int16_t*& pcm, size_t& bytes);

    uint32_t Rate() const { return rate_; }
    int Channels() const { return channels_; }
    // Decoder's text for the last failure (empty when none).
    const std::string& ErrorText() const { return error_; }

    // Reader callbacks (public so the C callbacks can reach them).
    struct Source {
        const uint8_t* data = nullptr;
        size_t size = 0;
        size_t pos = 0;
    };

private:
    bool OpenRaw(const uint8_t* data, size_t size, size_t begin);

    mpg123_handle_struct* mh_ = nullptr;
    Source src_;
    uint32_t rate_ = 0;
    int channels_ = 0;
    std::string error_;
};

// "libmpg123" and the version the program was built against (libmpg123
// 1.31 has no function that reports the version at run time).
std::string Mpg123LibraryVersion();

} // namespace tessivo
