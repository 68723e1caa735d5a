#include "capture/audio_output.h"

#include "swf/sound/sound_decoder.h"
#include "swf/sound/sound_mixer.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QElapsedTimer>
#include <QIODevice>
#include <QMediaDevices>
#include <QTimer>

#include <vector>

namespace reelcase {
namespace {

constexpr int kBytesPerFrame = 4; // stereo, 16 bits

// What the device reads: the mixer, as much as it asks for, every time.
class MixerDevice : public QIODevice {
public:
    MixerDevice(std::shared_ptr<swf::SoundMixer> mixer, QObject* parent)
        : QIODevice(parent)
        , m_mixer(std::move(mixer)) {}
    void setSink(QAudioSink* sink) { m_sink = sink; }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return 1 << 16; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const qint64 frames = maxSize / kBytesPerFrame;
        if (m_sink) // still queued in the device's buffer: mixed but not yet heard
            m_mixer->setOutputDelay(
                static_cast<int>((m_sink->bufferSize() - m_sink->bytesFree()) / kBytesPerFrame));
        m_mixer->mix(reinterpret_cast<std::int16_t*>(data), static_cast<int>(frames));
        return frames * kBytesPerFrame;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    std::shared_ptr<swf::SoundMixer> m_mixer;
    QAudioSink* m_sink = nullptr;
};

// Lives on the output thread: the sink, or the system-clock stand-in.
class OutputWorker : public QObject {
public:
    OutputWorker(std::shared_ptr<swf::SoundMixer> mixer, QAudioDevice device)
        : m_mixer(std::move(mixer))
        , m_device(std::move(device)) {}

    void start() {
        QAudioFormat format;
        format.setSampleRate(swf::kMixRate);
        format.setChannelCount(2);
        format.setSampleFormat(QAudioFormat::Int16);
        if (!m_device.isNull() && m_device.isFormatSupported(format)) {
            m_sink = new QAudioSink(m_device, format, this);
            m_sink->setBufferSize(swf::kMixRate / 10 * kBytesPerFrame); // 100 ms
            m_source = new MixerDevice(m_mixer, this);
            m_source->setSink(m_sink);
            m_source->open(QIODevice::ReadOnly);
            QObject::connect(m_sink, &QAudioSink::stateChanged, this, [this](QAudio::State s) {
                if (s == QAudio::StoppedState && m_sink->error() != QAudio::NoError)
                    runOnSystemClock();
            });
            m_sink->start(m_source);
            if (m_sink->error() == QAudio::NoError)
                return;
        }
        runOnSystemClock();
    }

private:
    void runOnSystemClock() {
        if (m_timer.isActive())
            return;
        m_mixer->setOutputDelay(0);
        m_clock.start();
        m_pulled = 0;
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
            const qint64 due = m_clock.nsecsElapsed() * swf::kMixRate / 1'000'000'000;
            const int frames = static_cast<int>(std::min<qint64>(due - m_pulled, swf::kMixRate));
            if (frames <= 0)
                return;
            m_scratch.resize(static_cast<std::size_t>(frames) * 2);
            m_mixer->mix(m_scratch.data(), frames);
            m_pulled = due;
        });
        m_timer.start(5);
    }

    std::shared_ptr<swf::SoundMixer> m_mixer;
    QAudioDevice m_device;
    MixerDevice* m_source = nullptr;
    QAudioSink* m_sink = nullptr;
    QTimer m_timer{this};
    QElapsedTimer m_clock;
    qint64 m_pulled = 0;
    std::vector<std::int16_t> m_scratch;
};

} // namespace

AudioOutput::AudioOutput(std::shared_ptr<swf::SoundMixer> mixer, QObject* parent)
    : QObject(parent) {
    m_thread.setObjectName(QStringLiteral("audio output"));
    auto* worker = new OutputWorker(std::move(mixer), QMediaDevices::defaultAudioOutput());
    worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::started, worker, [worker] { worker->start(); });
    connect(&m_thread, &QThread::finished, worker, &QObject::deleteLater);
    m_thread.start(QThread::TimeCriticalPriority);
}

AudioOutput::~AudioOutput() {
    m_thread.quit();
    m_thread.wait();
}

} // namespace reelcase
