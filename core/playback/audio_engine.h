// The audio engine the window plays through. Positions are byte offsets in the
// decoded 16-bit PCM at the file's own rate, counted from frame 0, as if the
// whole file had been decoded: frame f starts at f * SamplesPerFrame * 2 * ChannelCount.
#pragma once

#include "core/state/program_state.h"

#include <cstdint>

namespace tessivo {

using StreamHandle = uint32_t; // 0 = no stream

// Codes ErrorGetCode reports (shown to the user as "(Error code: N)").
enum EngineErrorCode : int {
    kEngineOk = 0,
    kEngineErrMemory = 1,   // out of memory
    kEngineErrHandle = 5,   // no such stream
    kEngineErrFormat = 6,   // the file cannot be decoded
    kEngineErrPosition = 7, // position or value outside what the stream allows
    kEngineErrNoInit = 8,   // no audio output: the sound system could not be started
    kEngineErrDevice = 23,  // the output device could not be opened
};

class AudioEngine {
public:
    virtual ~AudioEngine() = default;

    // Opens the output device. False when there is none (playing then fails
    // with an error code).
    virtual bool Init() = 0;
    virtual void Shutdown() = 0;

    // A playback stream over file.FileBuffer using file.FramePos to seek.
    // `file` must outlive the stream and its image must not change meanwhile.
    virtual StreamHandle CreateStream(const AnalysedFile& file) = 0;
    virtual void FreeStream(StreamHandle h) = 0; // 0 is harmless

    virtual bool SetPosition(StreamHandle h, int64_t bytePos) = 0;
    virtual bool SetVolume(StreamHandle h, double volume) = 0; // 0.0 .. 1.0
    virtual bool SetFrequency(StreamHandle h, double hz) = 0;  // 0 = own rate
    virtual bool Play(StreamHandle h) = 0;                     // false = refused
    virtual bool Stop(StreamHandle h) = 0;
    virtual bool IsActive(StreamHandle h) = 0;       // true while playing
    virtual int64_t GetPosition(StreamHandle h) = 0; // byte position heard now
    virtual int ErrorGetCode() = 0;                  // code of the last failure
};

} // namespace tessivo
