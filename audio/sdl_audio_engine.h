// The audio engine on SDL2 audio output (PulseAudio, PipeWire, ALSA; the
// `dummy` and `disk` drivers serve headless runs), decoding the file image
// with libmpg123 and changing the playback frequency with the speexdsp
// resampler.
//
// One output device is open at a time, in the format of the stream that
// plays (its own rate and channel count), so a stream played at its own rate
// reaches the device bit for bit (apart from the volume). The device is
// opened again only when a stream of another format starts.
//
// Threads: every public call comes from the GUI thread; SDL calls the fill
// callback from its own audio thread. Both meet under one mutex, and no SDL
// device call is made while that mutex is held (SDL holds its own device lock
// around the callback).
#pragma once

#include "core/decode/mpg123_decoder.h"
#include "core/playback/audio_engine.h"

#include <SDL2/SDL_audio.h>

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct SpeexResamplerState_;

namespace tessivo {

// A decoder placed at a frame of a stream, warmed up (sdl_audio_engine.cpp).
struct WarmDecoder;

class SdlAudioEngine : public AudioEngine {
public:
    // `deviceSamples`: frames per device buffer (latency and callback period).
    explicit SdlAudioEngine(int deviceSamples = 2048);
    ~SdlAudioEngine() override;
    SdlAudioEngine(const SdlAudioEngine&) = delete;
    SdlAudioEngine& operator=(const SdlAudioEngine&) = delete;

    bool Init() override;
    void Shutdown() override;

    StreamHandle CreateStream(const AnalysedFile& file) override;
    void FreeStream(StreamHandle h) override;

    bool SetPosition(StreamHandle h, int64_t bytePos) override;
    bool SetVolume(StreamHandle h, double volume) override;
    bool SetFrequency(StreamHandle h, double hz) override;
    bool Play(StreamHandle h) override;
    bool Stop(StreamHandle h) override;
    bool IsActive(StreamHandle h) override;
    int64_t GetPosition(StreamHandle h) override;
    int ErrorGetCode() override;

    // Output frames handed to the device since it was opened (tests).
    int64_t FramesHandedToDevice();
    // Latency assumed between handing a sample over and hearing it, in
    // device frames.
    int LatencyFrames();

private:
    struct Stream;
    struct Checkpoint {
        int64_t out; // device frames handed over when this point was reached
        int64_t src; // stream sample (per channel, from frame 0) at that point
    };

    static void SDLCALL Callback(void* self, Uint8* buf, int len);
    void Fill(int16_t* out, int frames);
    // Produces up to `frames` device frames of `s` into `out`; returns how
    // many (fewer at the end of the stream).
    int Render(Stream& s, int16_t* out, int frames);
    bool Refill(Stream& s);
    void ApplyRateLocked(Stream& s);
    // The stream of handle h, or null (and the handle error) when there is none.
    Stream* FindLocked(StreamHandle h);
    // Puts stream `w` at `frame` (+ `skip` samples) with a decoder warmed there.
    void PlaceLocked(Stream& w, WarmDecoder& warm, uint32_t frame, size_t skip);
    int64_t HeardSourceLocked(const Stream& s) const;
    int64_t HeardOutLocked() const;

    bool EnsureAudioSubsystem();
    bool EnsureDevice(uint32_t rate, int channels);
    void CloseDevice();
    void SetError(int code);

    std::mutex mu_;
    std::map<StreamHandle, std::unique_ptr<Stream>> streams_;
    StreamHandle nextHandle_ = 1;
    StreamHandle current_ = 0; // the stream the device plays
    int error_ = kEngineOk;

    bool subsystemUp_ = false;
    SDL_AudioDeviceID device_ = 0;
    SDL_AudioSpec spec_{};
    int deviceSamples_;
    bool devicePaused_ = true;

    // Bookkeeping of the fill callback (under mu_).
    int64_t handedOut_ = 0;         // device frames handed over since the device opened
    int64_t lastFillFrames_ = 0;    // frames of the last fill
    uint64_t lastFillCounter_ = 0;  // performance counter at the last fill
    mutable int64_t lastHeard_ = 0; // the heard position never runs backwards
};

// The sound libraries behind this engine and their versions, for the About
// window: SDL as loaded at run time, speexdsp as built against (it reports no
// version of its own).
std::string AudioLibraryVersions();

} // namespace tessivo
