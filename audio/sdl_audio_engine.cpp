#include "audio/sdl_audio_engine.h"

#include <SDL2/SDL.h>
#include <speex/speex_resampler.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tessivo {

namespace {

constexpr int kResamplerQuality = SPEEX_RESAMPLER_QUALITY_DEFAULT;
// Checkpoints kept per stream; far more than the device latency spans.
constexpr size_t kMaxCheckpoints = 512;

} // namespace

struct SdlAudioEngine::Stream {
    // The file image (not owned) and a copy of its frame index.
    const uint8_t* data = nullptr;
    size_t size = 0;
    std::vector<int64_t> framePos;
    uint32_t frameCount = 0;
    int32_t samplesPerFrame = 0;
    uint32_t rate = 0;
    int channels = 0;

    std::unique_ptr<Mpg123Decoder> dec;
    bool positioned = false;
    bool decoderDone = false;
    std::vector<int16_t> pending; // decoded samples not yet handed on (interleaved)
    size_t pendingOff = 0;        // in samples, not frames
    int64_t srcNext = 0;          // stream sample (per channel) of pending[pendingOff]

    double volume = 1.0;
    double frequency = 0.0; // 0 = own rate
    bool playing = false;
    int64_t endOut = -1; // device frame count at which the last sample was handed over

    SpeexResamplerState* resampler = nullptr;
    uint32_t resamplerIn = 0;
    uint32_t resamplerOut = 0;

    // Device frame count -> stream sample, one point per fill.
    std::deque<Checkpoint> marks;

    ~Stream() {
        if (resampler)
            speex_resampler_destroy(resampler);
    }
    int64_t BytesPerFrame() const { return int64_t{samplesPerFrame} * 2 * channels; }
};

SdlAudioEngine::SdlAudioEngine(int deviceSamples) : deviceSamples_(deviceSamples) {}

SdlAudioEngine::~SdlAudioEngine() {
    Shutdown();
}

void SdlAudioEngine::SetError(int code) {
    std::lock_guard lock(mu_);
    error_ = code;
}

int SdlAudioEngine::ErrorGetCode() {
    std::lock_guard lock(mu_);
    return error_;
}

bool SdlAudioEngine::EnsureAudioSubsystem() {
    if (subsystemUp_)
        return true;
    subsystemUp_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    return subsystemUp_;
}

bool SdlAudioEngine::Init() {
    if (!EnsureAudioSubsystem()) {
        SetError(kEngineErrNoInit);
        return false;
    }
    return true;
}

void SdlAudioEngine::CloseDevice() {
    SDL_AudioDeviceID dev = 0;
    {
        std::lock_guard lock(mu_);
        dev = device_;
        device_ = 0;
    }
    // Joins SDL's audio thread, so never with mu_ held.
    if (dev != 0)
        SDL_CloseAudioDevice(dev);
    devicePaused_ = true;
}

void SdlAudioEngine::Shutdown() {
    CloseDevice();
    {
        std::lock_guard lock(mu_);
        streams_.clear();
        current_ = 0;
    }
    if (subsystemUp_) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystemUp_ = false;
    }
}

bool SdlAudioEngine::EnsureDevice(uint32_t rate, int channels) {
    if (device_ != 0 && spec_.freq == static_cast<int>(rate) && spec_.channels == channels)
        return true;
    CloseDevice();
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(rate);
    want.format = AUDIO_S16SYS;
    want.channels = static_cast<Uint8>(channels);
    want.samples = static_cast<Uint16>(deviceSamples_);
    want.callback = &SdlAudioEngine::Callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // No format changes allowed: SDL converts if the hardware differs, and our
    // fill callback always works in the stream's own format.
    const SDL_AudioDeviceID dev = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (dev == 0)
        return false;
    std::lock_guard lock(mu_);
    device_ = dev;
    spec_ = have;
    devicePaused_ = true;
    handedOut_ = 0;
    lastHeard_ = 0;
    lastFillCounter_ = 0;
    lastFillFrames_ = 0;
    for (auto& [h, s] : streams_) {
        s->marks.clear();
        s->marks.push_back({0, s->srcNext});
        ApplyRateLocked(*s);
    }
    return true;
}

StreamHandle SdlAudioEngine::CreateStream(const AnalysedFile& file) {
    if (file.FileBuffer.empty() || file.SamplesPerFrame <= 0 ||
        (file.ChannelCount != 1 && file.ChannelCount != 2) || file.SampleRate == 0 ||
        file.IndexedFrames <= 0) {
        SetError(kEngineErrFormat);
        return 0;
    }
    auto s = std::make_unique<Stream>();
    s->data = file.FileBuffer.data();
    s->size = file.FileBuffer.size();
    const auto indexed =
        std::min<size_t>(static_cast<size_t>(file.IndexedFrames), file.FramePos.size());
    s->framePos.assign(file.FramePos.begin(),
                       file.FramePos.begin() + static_cast<ptrdiff_t>(indexed));
    s->frameCount = std::min<uint32_t>(file.FrameCount, static_cast<uint32_t>(indexed));
    s->samplesPerFrame = file.SamplesPerFrame;
    // The decoder tells the format it really delivers.
    Mpg123Decoder probe;
    if (!probe.Open(s->data, s->size, static_cast<size_t>(s->framePos[0]))) {
        SetError(kEngineErrFormat);
        return 0;
    }
    s->rate = probe.Rate();
    s->channels = probe.Channels();
    std::lock_guard lock(mu_);
    const StreamHandle h = nextHandle_++;
    if (nextHandle_ == 0)
        nextHandle_ = 1;
    streams_[h] = std::move(s);
    return h;
}

void SdlAudioEngine::FreeStream(StreamHandle h) {
    if (h == 0)
        return;
    Stop(h);
    std::unique_ptr<Stream> gone;
    {
        std::lock_guard lock(mu_);
        auto it = streams_.find(h);
        if (it == streams_.end())
            return;
        gone = std::move(it->second);
        streams_.erase(it);
        if (current_ == h)
            current_ = 0;
    }
}

// A decoder placed at `frame` (with its warm-up frames) and the first frame
// it decoded; `done` when the stream ended right there.
struct WarmDecoder {
    std::unique_ptr<Mpg123Decoder> dec;
    std::vector<int16_t> first;
    bool done = false;
};

namespace {

bool OpenWarmDecoder(const uint8_t* data, size_t size, const std::vector<int64_t>& framePos,
                     uint32_t frame, WarmDecoder& out) {
    out.dec = std::make_unique<Mpg123Decoder>();
    if (!out.dec->OpenAtFrame(data, size, framePos.data(), static_cast<uint32_t>(framePos.size()),
                              frame))
        return false;
    const int16_t* pcm = nullptr;
    size_t bytes = 0;
    if (out.dec->NextFrame(pcm, bytes))
        out.first.assign(pcm, pcm + bytes / 2);
    else
        out.done = true;
    return true;
}

} // namespace

bool SdlAudioEngine::SetPosition(StreamHandle h, int64_t bytePos) {
    const Stream* s = nullptr;
    {
        std::lock_guard lock(mu_);
        Stream* found = FindLocked(h);
        if (!found)
            return false;
        s = found;
    }
    // The stream's file image and index never change, and only this thread
    // frees streams, so they can be read without the lock.
    const int64_t bpf = s->BytesPerFrame();
    if (bytePos < 0 || bpf <= 0 || bytePos / bpf >= s->frameCount) {
        SetError(kEngineErrPosition);
        return false;
    }
    const auto frame = static_cast<uint32_t>(bytePos / bpf);
    // Samples to drop from the start frame when the position lies inside it.
    const auto skip = static_cast<size_t>((bytePos % bpf) / (2 * s->channels));

    // Warm-up decoding happens here, outside the lock, so the audio thread
    // never waits for it.
    WarmDecoder warm;
    if (!OpenWarmDecoder(s->data, s->size, s->framePos, frame, warm)) {
        SetError(kEngineErrFormat);
        return false;
    }
    std::lock_guard lock(mu_);
    Stream* found = FindLocked(h);
    if (!found)
        return false;
    PlaceLocked(*found, warm, frame, skip);
    return true;
}

void SdlAudioEngine::PlaceLocked(Stream& w, WarmDecoder& warm, uint32_t frame, size_t skip) {
    std::swap(w.dec, warm.dec); // the old decoder goes with `warm` after the lock
    w.pending = std::move(warm.first);
    w.pendingOff = std::min(skip * static_cast<size_t>(w.channels), w.pending.size());
    w.decoderDone = warm.done;
    w.srcNext = int64_t{frame} * w.samplesPerFrame + static_cast<int64_t>(skip);
    w.endOut = -1;
    w.positioned = true;
    if (w.resampler) {
        speex_resampler_reset_mem(w.resampler);
        speex_resampler_skip_zeros(w.resampler);
    }
    // Whatever the device still holds from before is reported as the new
    // start, so the position never shows the old place after a jump.
    w.marks.clear();
    w.marks.push_back({handedOut_, w.srcNext});
}

SdlAudioEngine::Stream* SdlAudioEngine::FindLocked(StreamHandle h) {
    auto it = streams_.find(h);
    if (it == streams_.end()) {
        error_ = kEngineErrHandle;
        return nullptr;
    }
    return it->second.get();
}

bool SdlAudioEngine::SetVolume(StreamHandle h, double volume) {
    std::lock_guard lock(mu_);
    Stream* found = FindLocked(h);
    if (!found)
        return false;
    found->volume = std::clamp(volume, 0.0, 1.0);
    return true;
}

void SdlAudioEngine::ApplyRateLocked(Stream& s) {
    if (device_ == 0 || spec_.freq <= 0)
        return;
    const double hz = s.frequency > 0 ? s.frequency : double(s.rate);
    const auto in = static_cast<uint32_t>(std::lround(hz));
    const auto out = static_cast<uint32_t>(spec_.freq);
    if (in == out) {
        if (s.resampler) {
            speex_resampler_destroy(s.resampler);
            s.resampler = nullptr;
        }
        return;
    }
    if (s.resampler && s.resamplerIn == in && s.resamplerOut == out)
        return;
    if (!s.resampler) {
        int err = 0;
        s.resampler = speex_resampler_init(static_cast<spx_uint32_t>(s.channels), in, out,
                                           kResamplerQuality, &err);
        if (!s.resampler)
            return; // plays on at the device rate
        speex_resampler_skip_zeros(s.resampler);
    } else {
        speex_resampler_set_rate(s.resampler, in, out);
    }
    s.resamplerIn = in;
    s.resamplerOut = out;
}

bool SdlAudioEngine::SetFrequency(StreamHandle h, double hz) {
    std::lock_guard lock(mu_);
    Stream* found = FindLocked(h);
    if (!found)
        return false;
    // Speeds the resampler cannot serve sensibly are refused.
    if (hz < 0 || (hz > 0 && (hz < 100.0 || hz > 1000000.0))) {
        error_ = kEngineErrPosition;
        return false;
    }
    found->frequency = hz;
    ApplyRateLocked(*found);
    return true;
}

bool SdlAudioEngine::Play(StreamHandle h) {
    uint32_t rate = 0;
    int channels = 0;
    bool positioned = false;
    {
        std::lock_guard lock(mu_);
        Stream* found = FindLocked(h);
        if (!found)
            return false;
        rate = found->rate;
        channels = found->channels;
        positioned = found->positioned;
    }
    if (!positioned && !SetPosition(h, 0))
        return false;
    if (!EnsureAudioSubsystem()) {
        SetError(kEngineErrNoInit);
        return false;
    }
    if (!EnsureDevice(rate, channels)) {
        SetError(kEngineErrDevice);
        return false;
    }
    {
        std::lock_guard lock(mu_);
        Stream* found = FindLocked(h);
        if (!found)
            return false;
        if (current_ != h) {
            auto old = streams_.find(current_);
            if (old != streams_.end())
                old->second->playing = false;
            current_ = h;
        }
        Stream& s = *found;
        s.playing = true;
        ApplyRateLocked(s);
    }
    if (devicePaused_) {
        SDL_PauseAudioDevice(device_, 0);
        devicePaused_ = false;
    }
    return true;
}

bool SdlAudioEngine::Stop(StreamHandle h) {
    bool pause = false;
    {
        std::lock_guard lock(mu_);
        Stream* found = FindLocked(h);
        if (!found)
            return false;
        found->playing = false;
        pause = current_ == h;
    }
    if (pause && device_ != 0 && !devicePaused_) {
        SDL_PauseAudioDevice(device_, 1);
        devicePaused_ = true;
    }
    return true;
}

int SdlAudioEngine::LatencyFrames() {
    std::lock_guard lock(mu_);
    return spec_.samples;
}

int64_t SdlAudioEngine::FramesHandedToDevice() {
    std::lock_guard lock(mu_);
    return handedOut_;
}

int64_t SdlAudioEngine::HeardOutLocked() const {
    if (handedOut_ == 0 || spec_.freq <= 0)
        return 0;
    // The last fill handed over `lastFillFrames_` frames; the device held
    // about one buffer (the latency) in front of them. Between fills the
    // position runs on with the clock.
    const int64_t latency = spec_.samples;
    const double elapsed = double(SDL_GetPerformanceCounter() - lastFillCounter_) /
                           double(SDL_GetPerformanceFrequency());
    const int64_t lo = handedOut_ - lastFillFrames_ - latency;
    const int64_t hi = handedOut_ - latency;
    int64_t heard = lo + static_cast<int64_t>(elapsed * spec_.freq);
    heard = std::clamp(heard, lo, hi);
    heard = std::max(heard, lastHeard_);
    lastHeard_ = heard;
    return std::max<int64_t>(heard, 0);
}

int64_t SdlAudioEngine::HeardSourceLocked(const Stream& s) const {
    if (s.marks.empty())
        return s.srcNext;
    const int64_t out = HeardOutLocked();
    if (out <= s.marks.front().out)
        return s.marks.front().src;
    for (size_t i = 1; i < s.marks.size(); ++i) {
        const Checkpoint& a = s.marks[i - 1];
        const Checkpoint& b = s.marks[i];
        if (out < b.out) {
            if (b.out == a.out)
                return b.src;
            return a.src + (out - a.out) * (b.src - a.src) / (b.out - a.out);
        }
    }
    return s.marks.back().src;
}

bool SdlAudioEngine::IsActive(StreamHandle h) {
    bool pause = false;
    bool active = false;
    {
        std::lock_guard lock(mu_);
        auto it = streams_.find(h);
        if (it == streams_.end())
            return false;
        Stream& s = *it->second;
        // A stream whose last sample was handed over plays until the device
        // has sounded it.
        if (s.playing && s.endOut >= 0 && HeardOutLocked() >= s.endOut) {
            s.playing = false;
            pause = current_ == h;
        }
        active = s.playing;
    }
    if (pause && device_ != 0 && !devicePaused_) {
        SDL_PauseAudioDevice(device_, 1);
        devicePaused_ = true;
    }
    return active;
}

int64_t SdlAudioEngine::GetPosition(StreamHandle h) {
    std::lock_guard lock(mu_);
    auto it = streams_.find(h);
    if (it == streams_.end()) {
        error_ = kEngineErrHandle;
        return -1;
    }
    const Stream& s = *it->second;
    const int64_t src = (h == current_ && device_ != 0) ? HeardSourceLocked(s) : s.srcNext;
    return src * s.channels * 2;
}

void SDLCALL SdlAudioEngine::Callback(void* self, Uint8* buf, int len) {
    static_cast<SdlAudioEngine*>(self)->Fill(reinterpret_cast<int16_t*>(buf), len);
}

bool SdlAudioEngine::Refill(Stream& s) {
    if (s.decoderDone || !s.dec)
        return false;
    const int16_t* pcm = nullptr;
    size_t bytes = 0;
    if (!s.dec->NextFrame(pcm, bytes)) {
        s.decoderDone = true;
        return false;
    }
    s.pending.assign(pcm, pcm + bytes / 2);
    s.pendingOff = 0;
    return true;
}

int SdlAudioEngine::Render(Stream& s, int16_t* out, int frames) {
    const auto ch = static_cast<size_t>(s.channels);
    int done = 0;
    while (done < frames) {
        const size_t avail = (s.pending.size() - s.pendingOff) / ch;
        if (avail == 0) {
            if (!Refill(s))
                break;
            continue;
        }
        const int16_t* in = s.pending.data() + s.pendingOff;
        int16_t* dst = out + static_cast<size_t>(done) * ch;
        size_t consumed = 0;
        size_t produced = 0;
        if (!s.resampler) {
            consumed = produced = std::min(avail, static_cast<size_t>(frames - done));
            std::memcpy(dst, in, produced * ch * sizeof(int16_t));
        } else {
            spx_uint32_t inLen = static_cast<spx_uint32_t>(avail);
            spx_uint32_t outLen = static_cast<spx_uint32_t>(frames - done);
            speex_resampler_process_interleaved_int(s.resampler, in, &inLen, dst, &outLen);
            consumed = inLen;
            produced = outLen;
            if (consumed == 0 && produced == 0)
                break;
        }
        s.pendingOff += consumed * ch;
        s.srcNext += static_cast<int64_t>(consumed);
        done += static_cast<int>(produced);
    }
    return done;
}

void SdlAudioEngine::Fill(int16_t* out, int len) {
    std::memset(out, 0, static_cast<size_t>(len));
    std::lock_guard lock(mu_);
    const int channels = std::max<int>(spec_.channels, 1);
    const int frames = len / (2 * channels);
    auto it = streams_.find(current_);
    if (it != streams_.end() && it->second->playing && it->second->channels == channels) {
        Stream& s = *it->second;
        const int done = Render(s, out, frames);
        const double vol = s.volume;
        if (vol != 1.0) {
            const size_t n = static_cast<size_t>(done) * static_cast<size_t>(channels);
            for (size_t i = 0; i < n; ++i)
                out[i] = static_cast<int16_t>(std::lrint(out[i] * vol));
        }
        // The stream sample the end of this fill stands for; the resampler
        // holds back a few input samples that are not heard yet.
        int64_t src = s.srcNext;
        if (s.resampler)
            src -= speex_resampler_get_input_latency(s.resampler);
        src = std::max(src, s.marks.empty() ? src : s.marks.back().src);
        s.marks.push_back({handedOut_ + done, src});
        while (s.marks.size() > kMaxCheckpoints)
            s.marks.pop_front();
        if (done < frames && s.endOut < 0)
            s.endOut = handedOut_ + done;
    }
    handedOut_ += frames;
    lastFillFrames_ = frames;
    lastFillCounter_ = SDL_GetPerformanceCounter();
}

std::string AudioLibraryVersions() {
    SDL_version v;
    SDL_GetVersion(&v);
    return "SDL " + std::to_string(v.major) + "." + std::to_string(v.minor) + "." +
           std::to_string(v.patch) + ", speexdsp " TESSIVO_SPEEXDSP_VERSION;
}

} // namespace tessivo
