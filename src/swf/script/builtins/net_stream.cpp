#include "swf/script/builtins/net_stream.h"

#include "swf/display/timeline_instance.h"
#include "swf/format/limits.h"
#include "swf/script/builtins/amf0.h"
#include "swf/script/builtins/builtins.h"
#include "swf/script/script_host.h"
#include "swf/sound/sound_character.h"
#include "swf/sound/sound_mixer.h"
#include "swf/video/flv_reader.h"
#include "swf/video/video_decoder.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <utility>

namespace reelcase::swf::avm1::builtins {
namespace {

// Pictures decoded for one stream in one frame at most: a stream far behind (a slow
// frame rate, a long jump) catches up over several frames instead of stalling one.
constexpr int kMostDecodesPerFrame = 60;
// Script data tags handed to a stream's handlers in one frame at most.
constexpr int kMostScriptTagsPerFrame = 64;
// Sound drives the clock: a jump this long in the audio tags' times is not waited out.
constexpr std::int64_t kLongestAudioGapMs = 1000;

// What one play() of a file holds; a new play() or close() starts it afresh.
struct StreamState {
    std::shared_ptr<const FlvFile> file;
    double bytes = 0;
    std::size_t next = 0; // the next tag due
    double timeMs = 0;
    qint64 clockMs = 0; // the player's clock when the stream last moved on
    bool playing = false;
    bool paused = false;
    bool started = false;  // Play.Start sent
    bool buffered = false; // Buffer.Full sent
    bool flushed = false;
    bool ended = false;
    bool emptyDue = false; // Buffer.Empty follows Play.Stop a frame later
    std::shared_ptr<VideoDecoder> decoder;
    int decoderCodec = 0;
    QByteArray decoderConfig;
    QImage picture;
    bool newPicture = false;
    std::shared_ptr<const SoundSamples> audio; // the file's sound, decoded at play()
    double audioStartMs = 0;
    bool sounding = false;
    std::deque<QString> statuses; // status codes to send before the stream moves on
};

class NetStreamObject : public Object, public StreamState {
public:
    using Object::Object;
    void reset() { static_cast<StreamState&>(*this) = StreamState(); }
    double bufferTime = 0.1;
};

NetStreamObject* streamOf(const Value& v) {
    return dynamic_cast<NetStreamObject*>(objectOf(v));
}

// The sound of the file's audio tags in one piece, decoded packet by packet. Tags in
// another format than the first are passed over; AAC's configuration comes in a packet of
// its own before the sound.
void decodeAudio(NetStreamObject& s) {
    std::vector<QByteArray> packets;
    QByteArray config;
    std::optional<std::uint8_t> first;
    for (const FlvTag& tag : s.file->tags) {
        if (tag.type != FlvTag::Audio)
            continue;
        std::optional<FlvAudioPacket> packet = flvAudioPacket(tag.body);
        const auto header = std::uint8_t(tag.body.isEmpty() ? 0 : tag.body[0]);
        if (!packet || (first && header != *first))
            continue;
        if (packet->config) {
            if (config.isEmpty())
                config = packet->data;
            continue;
        }
        if (!first) {
            first = header;
            s.audioStartMs = double(tag.timeMs);
        }
        packets.push_back(std::move(packet->data));
    }
    if (!first)
        return;
    const int format = *first >> 4;
    const SoundFormat sound = SoundFormat::fromBits(format == 14 ? 2 : format, (*first >> 2) & 3,
                                                    (*first >> 1) & 1, *first & 1);
    s.audio = decodeSoundPackets(sound, config, packets, limits::maxSoundBytesPerMovie);
}

SoundOwner audioOwner(const NetStreamObject& s) {
    return reinterpret_cast<SoundOwner>(&s); // never a clip's id, which are small
}

void stopAudio(Vm& vm, NetStreamObject& s) {
    if (s.sounding && vm.context().sound)
        vm.context().sound->stop(audioOwner(s));
    s.sounding = false;
}

void startAudio(Vm& vm, NetStreamObject& s) {
    SoundMixer* mixer = vm.context().sound;
    if (s.sounding || !s.audio || !mixer || s.timeMs < s.audioStartMs)
        return;
    SoundStart request;
    request.samples = s.audio;
    request.owner = audioOwner(s);
    request.offsetSeconds = (s.timeMs - s.audioStartMs) / 1000;
    s.sounding = mixer->start(request) != 0;
}

void sendStatus(Vm& vm, NetStreamObject& s, const QString& code) {
    const bool error = code.endsWith(QLatin1String("StreamNotFound"));
    Object* info = vm.newObject();
    // Enumerated newest first, as the player lists them: level, then code.
    info->put(QStringLiteral("code"), code);
    info->put(QStringLiteral("level"), error ? QStringLiteral("error") : QStringLiteral("status"));
    const Value arg(info);
    Vm::RootGuard guard(vm, arg);
    try {
        vm.callIfPresent(&s, QStringLiteral("onStatus"), std::span<const Value>(&arg, 1));
    } catch (ScriptThrow&) {
    } catch (ScriptAbort&) {
    }
}

void callData(Vm& vm, NetStreamObject& s, const QByteArray& body) {
    std::vector<Value> values = decodeAmf0Values(vm, body);
    if (values.empty() || typeOf(values[0]) != TypeString)
        return;
    const QString name = vm.toString(values[0]);
    const std::vector<Value> args(values.begin() + 1, values.end());
    try {
        vm.callIfPresent(&s, name, args);
    } catch (ScriptThrow&) {
    } catch (ScriptAbort&) {
    }
}

void decodeVideo(NetStreamObject& s, const QByteArray& body) {
    const std::optional<FlvVideoPacket> packet = flvVideoPacket(body);
    if (!packet || !isKnownVideoCodec(packet->codecId))
        return;
    if (packet->config) {
        s.decoderConfig = packet->data;
        s.decoder.reset();
        return;
    }
    const auto codec = static_cast<VideoCodec>(packet->codecId);
    if (codec == VideoCodec::Vp6 || codec == VideoCodec::Vp6Alpha) {
        // The picture's size as cut from its macroblocks goes to the decoder with its first.
        const QByteArray adjustment(1, char(packet->vp6Adjustment));
        if (s.decoderConfig != adjustment)
            s.decoder.reset();
        s.decoderConfig = adjustment;
    }
    if (!s.decoder || s.decoderCodec != packet->codecId) {
        s.decoder = makeVideoDecoder(codec, {.extradata = s.decoderConfig});
        s.decoderCodec = packet->codecId;
    }
    if (!s.decoder)
        return;
    QImage next = s.decoder->decode(packet->data);
    if (!next.isNull()) {
        s.picture = std::move(next);
        s.newPicture = true;
    }
}

// Hands out the tags due by the stream's time (moving on while it plays).
void playDueTags(Vm& vm, NetStreamObject& s, bool moving) {
    const std::shared_ptr<const FlvFile> file = s.file; // a handler may close the stream
    int decodes = kMostDecodesPerFrame;
    int scripts = kMostScriptTagsPerFrame;
    while (file && s.file == file && s.next < file->tags.size()) {
        const FlvTag& tag = file->tags[s.next];
        if (moving && tag.type == FlvTag::Audio && tag.timeMs - s.timeMs > kLongestAudioGapMs)
            s.timeMs = double(tag.timeMs);
        if (tag.timeMs > s.timeMs || decodes == 0 || scripts == 0)
            break;
        ++s.next;
        if (tag.type == FlvTag::Video) {
            decodeVideo(s, tag.body);
            --decodes;
        } else if (tag.type == FlvTag::Script) {
            callData(vm, s, tag.body);
            --scripts;
        }
    }
}

void advance(Vm& vm, NetStreamObject& s) {
    const qint64 now = vm.context().elapsedMs;
    const qint64 elapsed = std::max<qint64>(0, now - s.clockMs);
    s.clockMs = now;
    if (!s.file) {
        s.playing = false;
        return;
    }
    if (!s.started) {
        s.started = true;
        sendStatus(vm, s, QStringLiteral("NetStream.Play.Start"));
    } else if (!s.paused && s.buffered && !s.ended) {
        s.timeMs += double(elapsed);
    }
    if (!s.paused && !s.buffered && s.file) {
        s.buffered = true;
        sendStatus(vm, s, QStringLiteral("NetStream.Buffer.Full"));
    }
    const bool moving = !s.paused && s.buffered && !s.ended;
    if (moving)
        startAudio(vm, s);
    playDueTags(vm, s, moving);
    if (s.newPicture) {
        s.newPicture = false;
        showStreamPicture(vm, &s, s.picture);
    }
    if (s.file && !s.ended && s.next >= s.file->tags.size() &&
        s.timeMs >= double(s.file->lastTimeMs())) {
        s.ended = true;
        s.timeMs = double(s.file->lastTimeMs());
        stopAudio(vm, s);
        if (!s.flushed) {
            s.flushed = true;
            sendStatus(vm, s, QStringLiteral("NetStream.Buffer.Flush"));
        }
        s.emptyDue = true; // unless a handler seeks
        sendStatus(vm, s, QStringLiteral("NetStream.Play.Stop"));
    }
}

void keepPlaying(Vm& vm, NetStreamObject& s) {
    s.playing = true;
    s.clockMs = vm.context().elapsedMs;
    if (std::find(vm.playingStreams.begin(), vm.playingStreams.end(), &s) ==
        vm.playingStreams.end())
        vm.playingStreams.push_back(&s);
}

Value play(Vm& vm, const Value& self, Args args) {
    NetStreamObject* s = streamOf(self);
    if (!s || args.empty())
        return Undefined{};
    // A query means nothing to a file beside the movie.
    const QString path = vm.toString(args[0]).section(QLatin1Char('?'), 0, 0);
    ScriptHost* host = vm.host();
    std::optional<QByteArray> bytes = host ? host->loadFile(path) : std::nullopt;
    std::optional<FlvFile> file = bytes ? readFlv(*bytes) : std::nullopt;
    stopAudio(vm, *s);
    s->reset();
    s->bytes = file ? double(bytes->size()) : 0;
    if (file) {
        s->file = std::make_shared<const FlvFile>(std::move(*file));
        decodeAudio(*s);
    } else {
        s->statuses.push_back(QStringLiteral("NetStream.Play.StreamNotFound"));
    }
    keepPlaying(vm, *s);
    return Undefined{};
}

Value pause(Vm& vm, const Value& self, Args args) {
    NetStreamObject* s = streamOf(self);
    if (!s)
        return Undefined{};
    s->paused = args.empty() || isVoid(args[0]) ? !s->paused : vm.toBoolean(args[0]);
    if (s->paused)
        stopAudio(vm, *s);
    return Undefined{};
}

// Progressive files seek to the key frame at or before the time asked for.
Value seek(Vm& vm, const Value& self, Args args) {
    NetStreamObject* s = streamOf(self);
    if (!s || !s->file)
        return Undefined{};
    const double wanted = std::max(0.0, vm.toNumber(arg(args, 0)) * 1000);
    if (std::isnan(wanted))
        return Undefined{};
    const std::vector<FlvTag>& tags = s->file->tags;
    std::size_t key = tags.size();
    for (std::size_t i = 0; i < tags.size() && double(tags[i].timeMs) <= wanted; ++i) {
        if (tags[i].type != FlvTag::Video)
            continue;
        const auto packet = flvVideoPacket(tags[i].body);
        if (packet && (packet->key || packet->config))
            key = i;
    }
    s->next = key < tags.size() ? key : 0;
    while (s->next < tags.size() && tags[s->next].type == FlvTag::Script)
        ++s->next; // the file's data is not sent again
    s->timeMs = key < tags.size() ? double(tags[key].timeMs) : 0;
    if (s->decoder)
        s->decoder->reset();
    stopAudio(vm, *s); // it starts again from the new time
    // A stream stopped at its end fills its buffer again, reports the seek done and stays
    // stopped; a playing one only reports it.
    if (s->ended) {
        s->emptyDue = false;
        for (const char* code :
             {"NetStream.Buffer.Full", "NetStream.Seek.Complete", "NetStream.Play.Stop"})
            s->statuses.push_back(QLatin1String(code));
    } else {
        s->statuses.push_back(QStringLiteral("NetStream.Seek.Notify"));
    }
    keepPlaying(vm, *s);
    return Undefined{};
}

Value closeStream(Vm& vm, const Value& self, Args) {
    if (NetStreamObject* s = streamOf(self)) {
        stopAudio(vm, *s);
        s->reset();
        std::erase(vm.playingStreams, s);
    }
    return Undefined{};
}

Value setBufferTime(Vm& vm, const Value& self, Args args) {
    NetStreamObject* s = streamOf(self);
    const double t = vm.toNumber(arg(args, 0));
    if (s && !std::isnan(t))
        s->bufferTime = std::max(0.0, t);
    return Undefined{};
}

Value streamTime(Vm&, const Value& self, Args) {
    NetStreamObject* s = streamOf(self);
    return s ? s->timeMs / 1000 : 0.0;
}

Value streamBytes(Vm&, const Value& self, Args) {
    NetStreamObject* s = streamOf(self);
    return s ? s->bytes : 0.0;
}

Value streamBufferTime(Vm&, const Value& self, Args) {
    NetStreamObject* s = streamOf(self);
    return s ? s->bufferTime : 0.0;
}

// The whole file is read at once: what lies ahead of the play head is buffered.
Value streamBufferLength(Vm&, const Value& self, Args) {
    NetStreamObject* s = streamOf(self);
    if (!s || !s->file)
        return 0.0;
    return std::max(0.0, double(s->file->lastTimeMs()) - s->timeMs) / 1000;
}

// A stream made on a connected NetConnection puts its readable state on the prototype.
Value netStream(Vm& vm, const Value& self, Args args) {
    Object* o = objectOf(self);
    auto* c = dynamic_cast<ConnectionObject*>(objectOf(arg(args, 0)));
    if (!o || !o->proto || !c || !c->connected)
        return Undefined{};
    const std::pair<const char*, NativeFunction> getters[] = {{"bufferLength", streamBufferLength},
                                                              {"bufferTime", streamBufferTime},
                                                              {"bytesLoaded", streamBytes},
                                                              {"bytesTotal", streamBytes},
                                                              {"currentFps", returnZero},
                                                              {"liveDelay", returnZero},
                                                              {"time", streamTime}};
    for (const auto& [name, getter] : getters) {
        if (o->proto->find(QLatin1String(name)))
            continue;
        Property& p = o->proto->put(QLatin1String(name), Undefined{}, DontEnum | DontDelete);
        p.getter = vm.newNative(getter);
    }
    return Undefined{};
}

Value netStreamConstruct(Vm& vm, const Value&, Args args) {
    const Value ctor = vm.getMember(Value(vm.global), QStringLiteral("NetStream"));
    Object* proto = objectOf(vm.getMember(ctor, QStringLiteral("prototype")));
    auto* s = vm.heap().make<NetStreamObject>(proto ? proto : vm.protos.object);
    s->put(QStringLiteral("__constructor__"), ctor, DontEnum);
    if (vm.version() < 7)
        s->put(QStringLiteral("constructor"), ctor, DontEnum);
    Vm::RootGuard guard(vm, Value(s));
    netStream(vm, Value(s), args);
    return s;
}

} // namespace

void installNetStream(Vm& vm) {
    Object* proto = vm.newObject();
    vm.defineClass(QStringLiteral("NetStream"), netStream, netStreamConstruct, proto);
    for (const char* name :
         {"receiveAudio", "receiveVideo", "attachAudio", "attachVideo", "publish", "send"})
        vm.method(proto, QLatin1String(name), returnUndefined);
    vm.method(proto, QStringLiteral("play"), play);
    vm.method(proto, QStringLiteral("pause"), pause);
    vm.method(proto, QStringLiteral("seek"), seek);
    vm.method(proto, QStringLiteral("close"), closeStream);
    vm.method(proto, QStringLiteral("setBufferTime"), setBufferTime);
    installVideo(vm);
}

const QImage* streamPicture(Object* stream) {
    auto* s = dynamic_cast<NetStreamObject*>(stream);
    return s ? &s->picture : nullptr;
}

void advanceNetStreams(Vm& vm) {
    for (Object* o : std::vector<Object*>(vm.playingStreams)) {
        auto* s = static_cast<NetStreamObject*>(o);
        if (!s->playing)
            continue;
        Vm::RootGuard guard(vm, Value(s));
        if (std::exchange(s->emptyDue, false) && s->ended)
            sendStatus(vm, *s, QStringLiteral("NetStream.Buffer.Empty"));
        while (!s->statuses.empty()) {
            const QString code = s->statuses.front();
            s->statuses.pop_front();
            sendStatus(vm, *s, code);
            if (code.endsWith(QLatin1String("Play.Stop")))
                s->emptyDue = true;
        }
        advance(vm, *s);
    }
    std::erase_if(vm.playingStreams,
                  [](Object* o) { return !static_cast<NetStreamObject*>(o)->playing; });
}

} // namespace reelcase::swf::avm1::builtins
