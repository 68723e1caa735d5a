#include "swf/sound/sound_mixer.h"

#include "swf/format/limits.h"
#include "swf/format/movie.h"

#include <algorithm>
#include <cmath>

namespace reelcase::swf {

double soundFrameRate(double declared) {
    // Rate 0 meant "as fast as possible" to old players; 12 fps is what they settled on.
    return declared > 0.01 ? std::clamp(declared, 1.0, 120.0) : 12.0;
}

namespace {

// A script may set any 32-bit value; beyond this a sound is only louder than loud.
SoundTransform bounded(const SoundTransform& t) {
    const auto b = [](double v) { return std::clamp(v, -1e4, 1e4); };
    return {b(t.ll), b(t.lr), b(t.rr), b(t.rl), b(t.volume)};
}

// outer applied after inner: the movie's shaping on top of one clip's.
SoundTransform combined(const SoundTransform& outer, const SoundTransform& inner) {
    return {(outer.ll * inner.ll + outer.rl * inner.lr) / 100,
            (outer.lr * inner.ll + outer.rr * inner.lr) / 100,
            (outer.rr * inner.rr + outer.lr * inner.rl) / 100,
            (outer.rl * inner.rr + outer.ll * inner.rl) / 100, outer.volume * inner.volume / 100};
}

} // namespace

SoundMixer::SoundMixer() = default;
SoundMixer::~SoundMixer() = default;

void SoundMixer::setMovie(std::shared_ptr<const Movie> movie) {
    std::lock_guard lock(m_mutex);
    m_voices.clear();
    m_streams.clear();
    m_transforms.clear();
    m_finished.clear();
    m_movie = std::move(movie);
    m_frameRate = soundFrameRate(m_movie ? m_movie->frameRate : 0);
}

int SoundMixer::start(const SoundStart& request) {
    std::lock_guard lock(m_mutex);
    return startLocked(request);
}

int SoundMixer::startLocked(const SoundStart& request) {
    if (!m_movie)
        return 0;
    std::shared_ptr<const SoundSamples> samples = request.samples;
    if (!samples) {
        auto sound = std::dynamic_pointer_cast<const SoundCharacter>(
            m_movie->dictionary.shared(request.soundId));
        if (!sound)
            return 0;
        samples = sound->samples();
    }
    const auto same = [&](const auto& v) { return v->soundId() == request.soundId; };
    if (request.info.syncStop) {
        std::erase_if(m_voices, same);
        return 0;
    }
    if (request.info.syncNoMultiple && std::any_of(m_voices.begin(), m_voices.end(), same))
        return 0;
    if (!samples || static_cast<int>(m_voices.size()) >= limits::maxVoices)
        return 0;
    SoundInfo info = request.info;
    info.loops = std::max(request.loops, info.loops);
    const int id = m_nextVoiceId++;
    auto voice =
        std::make_unique<EventVoice>(id, request.owner, request.outerOwners, request.soundId,
                                     std::move(samples), info, request.offsetSeconds);
    voice->notifies = request.notifyWhenDone;
    m_voices.push_back(std::move(voice));
    return id;
}

std::uint16_t SoundMixer::exportedSound(const QString& name) const {
    std::lock_guard lock(m_mutex);
    return m_movie ? m_movie->exports.value(name.toLower(), 0) : 0;
}

void SoundMixer::startFrameSound(const StartSoundCommand& command, const SoundOwners& owners) {
    std::lock_guard lock(m_mutex);
    if (!m_movie)
        return;
    SoundStart request;
    request.soundId = command.soundId;
    if (!command.className.isEmpty())
        request.soundId = m_movie->exports.value(command.className.toLower(), 0);
    request.info = command.info;
    if (!owners.empty()) {
        request.owner = owners.front();
        request.outerOwners.assign(owners.begin() + 1, owners.end());
    }
    startLocked(request);
}

void SoundMixer::startButtonSound(std::uint16_t buttonId, ButtonTransition transition) {
    std::lock_guard lock(m_mutex);
    if (!m_movie)
        return;
    const auto it = m_movie->buttonSounds.constFind(buttonId);
    if (it == m_movie->buttonSounds.cend())
        return;
    const ButtonSound& sound = (*it)[static_cast<std::size_t>(transition)];
    if (sound.soundId)
        startLocked({sound.soundId, 0, 0, 1, sound.info, false});
}

void SoundMixer::stop(SoundOwner owner, std::optional<std::uint16_t> soundId) {
    std::lock_guard lock(m_mutex);
    std::erase_if(m_voices, [&](const auto& v) {
        return v->owner() == owner && (!soundId || v->soundId() == *soundId);
    });
}

void SoundMixer::stopAll() {
    std::lock_guard lock(m_mutex);
    m_voices.clear();
    m_streams.clear();
}

void SoundMixer::setTransform(SoundOwner owner, const SoundTransform& transform) {
    const auto finite = [](double v) { return std::isfinite(v) ? v : 0.0; };
    std::lock_guard lock(m_mutex);
    m_transforms[owner] = {finite(transform.ll), finite(transform.lr), finite(transform.rr),
                           finite(transform.rl), finite(transform.volume)};
}

SoundTransform SoundMixer::transform(SoundOwner owner) const {
    std::lock_guard lock(m_mutex);
    const auto it = m_transforms.find(owner);
    return it == m_transforms.end() ? SoundTransform{} : it->second;
}

double SoundMixer::position(SoundOwner owner) const {
    std::lock_guard lock(m_mutex);
    for (auto it = m_voices.rbegin(); it != m_voices.rend(); ++it)
        if ((*it)->owner() == owner)
            return (*it)->position();
    return 0;
}

std::optional<double> SoundMixer::voicePosition(int voice) const {
    std::lock_guard lock(m_mutex);
    for (const auto& v : m_voices)
        if (v->id() == voice)
            return v->position();
    return std::nullopt;
}

double SoundMixer::duration(std::uint16_t soundId) const {
    std::lock_guard lock(m_mutex);
    if (!m_movie)
        return 0;
    const auto* sound = dynamic_cast<const SoundCharacter*>(m_movie->dictionary.character(soundId));
    if (!sound)
        return 0;
    // The count the file declares: decoders add their own delay and padding.
    if (sound->declaredSamples() > 0 && sound->format().rate > 0)
        return double(sound->declaredSamples()) / sound->format().rate;
    return double(sound->frames()) / kMixRate;
}

std::vector<FinishedSound> SoundMixer::takeFinished() {
    std::lock_guard lock(m_mutex);
    return std::exchange(m_finished, {});
}

int SoundMixer::voiceCount() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_voices.size());
}

void SoundMixer::startStream(StreamKey key, const TimelineDef& timeline, int frame, int maxFrames,
                             const SoundOwners& owners) {
    std::lock_guard lock(m_mutex);
    if (!m_movie || frame < 0 || frame >= timeline.frameCount())
        return;
    Stream& s = m_streams[key];
    s.voice = std::make_unique<StreamVoice>(timeline, frame, m_frameRate, maxFrames);
    s.startedAt = m_mixed.load();
    s.owner = owners.empty() ? 0 : owners.front();
    s.outer.assign(owners.begin() + (owners.empty() ? 0 : 1), owners.end());
}

void SoundMixer::stopStream(StreamKey key) {
    std::lock_guard lock(m_mutex);
    m_streams.erase(key);
}

bool SoundMixer::hasStream(StreamKey key) const {
    std::lock_guard lock(m_mutex);
    return m_streams.count(key) != 0;
}

std::optional<double> SoundMixer::streamFrameHeard(StreamKey key) const {
    std::lock_guard lock(m_mutex);
    const auto it = m_streams.find(key);
    if (it == m_streams.end() || it->second.voice->ended())
        return std::nullopt;
    const std::int64_t heard = m_mixed.load() - m_outputDelay.load() - it->second.startedAt;
    return it->second.voice->startFrame() + std::max<double>(heard, 0) * m_frameRate / kMixRate;
}

void SoundMixer::followTimeline(StreamKey key, const TimelineDef& timeline, int before, int now,
                                bool playing, const SoundOwners& owners) {
    if (!timeline.stream)
        return;
    const bool hasBlock = now >= 0 && now < timeline.frameCount() &&
                          !timeline.frames[static_cast<std::size_t>(now)].streamBlock.isEmpty();
    if (!playing) {
        stopStream(key);
    } else if (before < 0 || (now != before + 1 && now != before)) {
        stopStream(key);
        if (hasBlock)
            startStream(key, timeline, now, -1, owners);
    } else if (hasBlock && !hasStream(key)) {
        startStream(key, timeline, now, -1, owners);
    }
}

void SoundMixer::setMasterVolume(double volume) {
    m_master.store(static_cast<float>(std::isfinite(volume) ? std::clamp(volume, 0.0, 1.0) : 1.0));
}

SoundTransform SoundMixer::shapingLocked(SoundOwner owner, const SoundOwners& outer) const {
    const auto of = [this](SoundOwner o) {
        const auto it = m_transforms.find(o);
        return it == m_transforms.end() ? nullptr : &it->second;
    };
    SoundTransform t = of(0) ? bounded(*of(0)) : SoundTransform{};
    const auto apply = [&](SoundOwner o) {
        if (const SoundTransform* own = o ? of(o) : nullptr)
            t = bounded(combined(t, *own));
    };
    for (auto it = outer.rbegin(); it != outer.rend(); ++it)
        apply(*it);
    apply(owner);
    return t;
}

void SoundMixer::mix(std::int16_t* out, int frames) {
    if (frames <= 0)
        return;
    std::lock_guard lock(m_mutex);
    m_acc.assign(std::size_t(frames) * 2, 0.0f);
    float* acc = m_acc.data();
    for (auto it = m_voices.begin(); it != m_voices.end();) {
        EventVoice& v = **it;
        if (v.mixInto(acc, frames, shapingLocked(v.owner(), v.outerOwners()))) {
            ++it;
            continue;
        }
        if (v.notifies)
            m_finished.push_back({v.id(), v.owner()});
        it = m_voices.erase(it);
    }
    for (auto& [timeline, stream] : m_streams) {
        const SoundTransform t = shapingLocked(stream.owner, stream.outer);
        const float gain = static_cast<float>(t.volume / 100.0);
        stream.voice->mixInto(acc, frames, gain * float(t.ll / 100.0), gain * float(t.rr / 100.0));
    }
    const float master = m_master.load();
    for (std::size_t i = 0; i < m_acc.size(); ++i)
        out[i] = static_cast<std::int16_t>(std::clamp(acc[i] * master, -32768.0f, 32767.0f));
    m_mixed.fetch_add(frames);
}

} // namespace reelcase::swf
