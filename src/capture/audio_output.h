#pragma once

#include <QObject>
#include <QThread>

#include <memory>

namespace reelcase {

namespace swf {
class SoundMixer;
}

// Plays a movie's mixer on the default audio device, from a thread of its own so that a
// busy window never starves the device. Without a usable device it pulls the mixer on
// the system clock instead and throws the sound away, so that the audio clock (and the
// picture that follows it) keeps real time.
class AudioOutput : public QObject {
    Q_OBJECT
public:
    explicit AudioOutput(std::shared_ptr<swf::SoundMixer> mixer, QObject* parent = nullptr);
    ~AudioOutput() override;

private:
    QThread m_thread;
};

} // namespace reelcase
