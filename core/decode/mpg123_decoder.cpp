#include "core/decode/mpg123_decoder.h"

#include <mpg123.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace tessivo {

namespace {

// libmpg123 before 1.27 needs one global initialisation; later versions ignore it.
void InitLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

ssize_t ReadCb(void* h, void* buf, size_t n) {
    auto* s = static_cast<Mpg123Decoder::Source*>(h);
    const size_t left = s->size - s->pos;
    const size_t k = std::min(n, left);
    std::memcpy(buf, s->data + s->pos, k);
    s->pos += k;
    return static_cast<ssize_t>(k);
}

off_t SeekCb(void* h, off_t off, int whence) {
    auto* s = static_cast<Mpg123Decoder::Source*>(h);
    off_t base = 0;
    if (whence == SEEK_CUR)
        base = static_cast<off_t>(s->pos);
    else if (whence == SEEK_END)
        base = static_cast<off_t>(s->size);
    else if (whence != SEEK_SET)
        return -1;
    const off_t to = base + off;
    if (to < 0 || to > static_cast<off_t>(s->size))
        return -1;
    s->pos = static_cast<size_t>(to);
    return to;
}

// Sets up a handle for our fixed output: 16-bit signed at the stream's own
// rate and channel count, no gapless trimming, Info frame decoded as audio.
mpg123_handle* NewHandle() {
    InitLibrary();
    int err = MPG123_OK;
    mpg123_handle* mh = mpg123_new(nullptr, &err);
    if (!mh)
        return nullptr;
    long flags = 0;
    double dummy = 0;
    mpg123_getparam(mh, MPG123_FLAGS, &flags, &dummy);
    flags &= ~(MPG123_GAPLESS | MPG123_AUTO_RESAMPLE);
    flags |= MPG123_QUIET | MPG123_IGNORE_INFOFRAME;
    mpg123_param(mh, MPG123_FLAGS, flags, 0);
    mpg123_param(mh, MPG123_RESYNC_LIMIT, -1, 0); // resync anywhere, like the frame search
    mpg123_format_none(mh);
    const long* rates = nullptr;
    size_t nrates = 0;
    mpg123_rates(&rates, &nrates);
    for (size_t i = 0; i < nrates; ++i)
        mpg123_format(mh, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    return mh;
}

} // namespace

Mpg123Decoder::Mpg123Decoder() = default;

Mpg123Decoder::~Mpg123Decoder() {
    Close();
}

void Mpg123Decoder::Close() {
    if (mh_) {
        mpg123_close(mh_);
        mpg123_delete(mh_);
        mh_ = nullptr;
    }
    rate_ = 0;
    channels_ = 0;
}

bool Mpg123Decoder::OpenRaw(const uint8_t* data, size_t size, size_t begin) {
    Close();
    error_.clear();
    if (!data || begin >= size) {
        error_ = "nothing to decode";
        return false;
    }
    src_ = Source{data, size, begin};
    // The reader sees only data[begin, size): shift the view so its offset 0 is `begin`.
    src_.data = data + begin;
    src_.size = size - begin;
    src_.pos = 0;
    mh_ = NewHandle();
    if (!mh_) {
        error_ = "decoder could not be created";
        return false;
    }
    if (mpg123_replace_reader_handle(mh_, ReadCb, SeekCb, nullptr) != MPG123_OK ||
        mpg123_open_handle(mh_, &src_) != MPG123_OK) {
        error_ = mpg123_strerror(mh_);
        Close();
        return false;
    }
    long rate = 0;
    int channels = 0, enc = 0;
    if (mpg123_getformat(mh_, &rate, &channels, &enc) != MPG123_OK || rate <= 0 ||
        (channels != 1 && channels != 2) || enc != MPG123_ENC_SIGNED_16) {
        error_ = mpg123_strerror(mh_);
        Close();
        return false;
    }
    rate_ = static_cast<uint32_t>(rate);
    channels_ = channels;
    return true;
}

bool Mpg123Decoder::Open(const uint8_t* data, size_t size, size_t begin) {
    return OpenRaw(data, size, begin);
}

uint32_t Mpg123Decoder::WarmupStart(const int64_t* framePos, uint32_t frame) {
    // Layer III data may begin up to 511 bytes before its frame; keep twice
    // that in front, and at least two whole frames for the overlap and the
    // synthesis history.
    constexpr int64_t kReservoirBytes = 1024;
    uint32_t s = frame;
    while (s > 0 &&
           (frame - s < 2 || static_cast<int64_t>(framePos[frame]) - framePos[s] < kReservoirBytes))
        --s;
    return s - s % 8;
}

bool Mpg123Decoder::OpenAtFrame(const uint8_t* data, size_t size, const int64_t* framePos,
                                uint32_t indexedFrames, uint32_t frame) {
    if (frame >= indexedFrames) {
        Close();
        error_ = "frame outside the frame index";
        return false;
    }
    const uint32_t start = WarmupStart(framePos, frame);
    if (!OpenRaw(data, size, static_cast<size_t>(framePos[start])))
        return false;
    for (uint32_t f = start; f < frame; ++f) {
        const int16_t* pcm = nullptr;
        size_t bytes = 0;
        if (!NextFrame(pcm, bytes))
            return false;
    }
    return true;
}

bool Mpg123Decoder::NextFrame(const int16_t*& pcm, size_t& bytes) {
    pcm = nullptr;
    bytes = 0;
    if (!mh_)
        return false;
    for (;;) {
        off_t num = 0;
        unsigned char* audio = nullptr;
        size_t got = 0;
        const int rc = mpg123_decode_frame(mh_, &num, &audio, &got);
        if (rc == MPG123_NEW_FORMAT) {
            long rate = 0;
            int channels = 0, enc = 0;
            mpg123_getformat(mh_, &rate, &channels, &enc);
            // A stream that changes its format mid-way cannot be decoded in
            // our fixed units; stop here.
            if (static_cast<uint32_t>(rate) != rate_ || channels != channels_) {
                error_ = "format changes inside the stream";
                return false;
            }
            if (got == 0)
                continue;
        } else if (rc != MPG123_OK) {
            if (rc != MPG123_DONE)
                error_ = mpg123_strerror(mh_);
            return false;
        }
        if (got == 0)
            continue;
        pcm = reinterpret_cast<const int16_t*>(audio);
        bytes = got;
        return true;
    }
}

Mpg123Probe Mpg123Decoder::Probe(const uint8_t* data, size_t size) {
    Mpg123Probe r;
    if (!data || size < 4)
        return r;
    Mpg123Decoder d;
    if (!d.OpenRaw(data, size, 0))
        return r;
    mpg123_frameinfo fi{};
    if (mpg123_info(d.mh_, &fi) != MPG123_OK)
        return r;
    r.layer = fi.layer;
    r.rate = d.rate_;
    r.channels = d.channels_;
    if (fi.layer != 3)
        return r;
    if (mpg123_scan(d.mh_) != MPG123_OK)
        return r;
    const off_t samples = mpg123_length(d.mh_);
    const off_t frames = mpg123_framelength(d.mh_);
    if (samples <= 0 || frames <= 0)
        return r;
    r.frames = static_cast<uint64_t>(frames);
    r.decodedBytes = static_cast<uint64_t>(samples) * 2u * static_cast<uint64_t>(r.channels);
    r.duration = static_cast<double>(samples) / static_cast<double>(r.rate);
    r.ok = true;
    return r;
}

std::string Mpg123LibraryVersion() {
    return "libmpg123 " TESSIVO_MPG123_VERSION;
}

} // namespace tessivo
