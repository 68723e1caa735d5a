#pragma once

#include "swf/sound/event_voice.h"
#include "swf/sound/stream_voice.h"

#include <QString>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace reelcase::swf {

class Movie;

// A script's request to start a sound (Sound.start, attachSound's sound): the sound by
// character id, the owner it belongs to, an offset into it in seconds and how many times
// it plays. info carries the movie's own options (in/out points, envelope, sync flags).
struct SoundStart {
    std::uint16_t soundId = 0;
    SoundOwner owner = 0;
    double offsetSeconds = 0;
    int loops = 1;
    SoundInfo info = {};
    bool notifyWhenDone = false; // reported by takeFinished()
    // Samples a script loaded from a file, played instead of soundId's when set.
    std::shared_ptr<const SoundSamples> samples = {};
    // The clips around owner, innermost first (their Sound objects shape it too).
    SoundOwners outerOwners = {};
};

// The frame rate sound keeps pace with: the movie's, within 1..120, or 12 for a rate of 0.
double soundFrameRate(double declared);

struct FinishedSound {
    int voice = 0;
    SoundOwner owner = 0;
};

// Every sound of one movie mixed into one stereo signal at kMixRate: event voices (at
// most limits::maxVoices at once) and the timelines' streams. The movie's side (starting,
// stopping, shaping) runs on the UI thread; the output pulls mix() on its own thread.
// The count of frames mixed, less what the output still holds, is the audio clock.
class SoundMixer {
public:
    SoundMixer();
    ~SoundMixer();
    SoundMixer(const SoundMixer&) = delete;
    SoundMixer& operator=(const SoundMixer&) = delete;

    // Silences everything and takes the movie whose sounds play next (null: none).
    void setMovie(std::shared_ptr<const Movie> movie);

    // Event sounds. start() returns the voice's id, 0 when nothing started (no such sound,
    // SyncNoMultiple while it plays, SyncStop, all voices busy).
    int start(const SoundStart& request);
    // The character id exported under name (case-insensitive), 0 when none.
    std::uint16_t exportedSound(const QString& name) const;
    // A timeline's StartSound: owners are its clip and the clips around it, innermost first.
    void startFrameSound(const StartSoundCommand& command, const SoundOwners& owners = {});
    // A button's sound for one of its transitions (DefineButtonSound); none when unset.
    void startButtonSound(std::uint16_t buttonId, ButtonTransition transition);
    // Stops the owner's voices (of one sound when soundId is given).
    void stop(SoundOwner owner, std::optional<std::uint16_t> soundId = {});
    void stopAll(); // every event voice and stream
    // Owner 0's transform applies to every sound, on top of the owner's own. Values are
    // kept as given (a script reads them back) and bounded only when mixed.
    void setTransform(SoundOwner owner, const SoundTransform& transform);
    SoundTransform transform(SoundOwner owner) const;
    // Seconds into the owner's latest voice (0 when none plays); a sound's length.
    double position(SoundOwner owner) const;
    // Seconds into one voice; empty once it has ended or was stopped.
    std::optional<double> voicePosition(int voice) const;
    double duration(std::uint16_t soundId) const;
    std::vector<FinishedSound> takeFinished();
    int voiceCount() const;

    // Streams, one per playing timeline, keyed by whatever stands for it (the main
    // timeline's definition, a sprite's instance).
    using StreamKey = const void*;
    void startStream(StreamKey key, const TimelineDef& timeline, int frame, int maxFrames = -1,
                     const SoundOwners& owners = {});
    void stopStream(StreamKey key);
    // Whether the stream was started and not stopped since (it may have ended).
    bool hasStream(StreamKey key) const;
    // The timeline frame the stream has reached as heard: its start frame plus the heard
    // time in frames. Empty when the stream is not sounding.
    std::optional<double> streamFrameHeard(StreamKey key) const;
    // Keeps a timeline's stream with its picture after the timeline moved from frame
    // before to now: it runs on while frames follow one another, starts again at the frame
    // a jump lands on (before < 0 forces a jump), and falls silent while the timeline
    // stands still.
    void followTimeline(StreamKey key, const TimelineDef& timeline, int before, int now,
                        bool playing, const SoundOwners& owners = {});

    // The output's side, on any thread. Writes the mix of the next frames into out
    // (interleaved stereo), advancing the clock.
    void mix(std::int16_t* out, int frames);
    // Frames mixed but not yet heard (the output's buffer).
    void setOutputDelay(int frames) { m_outputDelay.store(frames); }
    std::int64_t framesMixed() const { return m_mixed.load(); }
    // 0..1, applied to everything (mute is 0).
    void setMasterVolume(double volume);

private:
    struct Stream {
        std::unique_ptr<StreamVoice> voice;
        std::int64_t startedAt = 0; // the mix position of its first sample
        SoundOwner owner = 0;
        SoundOwners outer;
    };
    int startLocked(const SoundStart& request);
    // The movie's transform, then each owner's from the outermost in.
    SoundTransform shapingLocked(SoundOwner owner, const SoundOwners& outer) const;

    mutable std::mutex m_mutex;
    std::shared_ptr<const Movie> m_movie;
    double m_frameRate = 12;
    std::vector<std::unique_ptr<EventVoice>> m_voices;
    std::map<StreamKey, Stream> m_streams;
    std::map<SoundOwner, SoundTransform> m_transforms;
    std::vector<FinishedSound> m_finished;
    std::vector<float> m_acc;
    int m_nextVoiceId = 1;
    std::atomic<std::int64_t> m_mixed{0};
    std::atomic<int> m_outputDelay{0};
    std::atomic<float> m_master{1.0f};
};

} // namespace reelcase::swf
