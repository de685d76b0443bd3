// The audio engine the program plays through. Until a sound output exists this
// is a silent engine that refuses to play (the window then shows the error).
#pragma once

#include "playback/audio_engine.h"

#include <memory>

namespace tessivo {

class NullAudioEngine : public AudioEngine {
public:
    bool Init() override { return false; }
    void Shutdown() override {}
    StreamHandle CreateStream(const ProgramState&) override { return ++last_; }
    void FreeStream(StreamHandle) override {}
    bool SetPosition(StreamHandle, int64_t) override { return false; }
    bool SetVolume(StreamHandle, double) override { return false; }
    bool SetFrequency(StreamHandle, double) override { return false; }
    bool Play(StreamHandle) override { return false; }
    bool Stop(StreamHandle) override { return true; }
    bool IsActive(StreamHandle) override { return false; }
    int64_t GetPosition(StreamHandle) override { return 0; }
    int ErrorGetCode() override { return 23; } // no output device
private:
    StreamHandle last_ = 0;
};

inline std::unique_ptr<AudioEngine> MakeAudioEngine() {
    return std::make_unique<NullAudioEngine>();
}

} // namespace tessivo
