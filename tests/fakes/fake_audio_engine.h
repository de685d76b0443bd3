// An audio engine for tests: no sound, no threads. The test moves the heard
// position by hand and can make the engine refuse to play.
#pragma once

#include "core/playback/audio_engine.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tessivo::testing {

class FakeAudioEngine : public AudioEngine {
public:
    struct Stream {
        int64_t position = 0; // byte position "heard"
        int64_t length = 0;   // decoded length in bytes; reaching it ends playback
        double volume = 1.0;
        double frequency = 0.0;
        bool playing = false;
    };

    // Knobs for the test.
    bool initSucceeds = true;
    bool refusePlay = false;
    int refuseCode = kEngineErrNoInit;

    // What happened, in order ("SetPosition", "SetVolume", "SetFrequency",
    // "Play", "Stop", "Free").
    std::vector<std::string> calls;
    std::map<StreamHandle, Stream> streams;

    bool Init() override {
        calls.push_back("Init");
        if (!initSucceeds)
            lastError_ = refuseCode;
        return initSucceeds;
    }
    void Shutdown() override { calls.push_back("Shutdown"); }

    StreamHandle CreateStream(const AnalysedFile& file) override {
        const StreamHandle h = nextHandle_++;
        Stream s;
        s.length = int64_t{file.FrameCount} * file.SamplesPerFrame * 2 * file.ChannelCount;
        streams[h] = s;
        return h;
    }
    void FreeStream(StreamHandle h) override {
        calls.push_back("Free");
        streams.erase(h);
    }
    bool SetPosition(StreamHandle h, int64_t bytePos) override {
        calls.push_back("SetPosition");
        Stream* s = Find(h);
        if (!s)
            return false;
        s->position = bytePos;
        return true;
    }
    bool SetVolume(StreamHandle h, double volume) override {
        calls.push_back("SetVolume");
        Stream* s = Find(h);
        if (!s)
            return false;
        s->volume = volume;
        return true;
    }
    bool SetFrequency(StreamHandle h, double hz) override {
        calls.push_back("SetFrequency");
        Stream* s = Find(h);
        if (!s)
            return false;
        s->frequency = hz;
        return true;
    }
    bool Play(StreamHandle h) override {
        calls.push_back("Play");
        Stream* s = Find(h);
        if (!s)
            return false;
        if (refusePlay || !initSucceeds) {
            lastError_ = refuseCode;
            return false;
        }
        s->playing = true;
        return true;
    }
    bool Stop(StreamHandle h) override {
        calls.push_back("Stop");
        Stream* s = Find(h);
        if (!s)
            return false;
        s->playing = false;
        return true;
    }
    bool IsActive(StreamHandle h) override {
        Stream* s = Find(h);
        return s && s->playing;
    }
    int64_t GetPosition(StreamHandle h) override {
        Stream* s = Find(h);
        return s ? s->position : -1;
    }
    int ErrorGetCode() override { return lastError_; }

    // Moves the heard position on, as the sound card would; playback ends at
    // the end of the stream.
    void Advance(StreamHandle h, int64_t bytes) {
        Stream* s = Find(h);
        if (!s || !s->playing)
            return;
        s->position += bytes;
        if (s->length > 0 && s->position >= s->length) {
            s->position = s->length;
            s->playing = false;
        }
    }
    Stream& At(StreamHandle h) { return streams.at(h); }

private:
    Stream* Find(StreamHandle h) {
        auto it = streams.find(h);
        if (it == streams.end()) {
            lastError_ = kEngineErrHandle;
            return nullptr;
        }
        return &it->second;
    }
    StreamHandle nextHandle_ = 1;
    int lastError_ = 0;
};

} // namespace tessivo::testing
