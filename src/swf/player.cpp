#include "swf/player.h"

#include <QPainter>

// Placeholder until the engine lands: every file fails to load.
namespace reelcase::swf {

class Movie {};

std::shared_ptr<const Movie> parseMovie(const QByteArray&, LoadError* error) {
    if (error)
        *error = {QStringLiteral("not implemented"), 0};
    return nullptr;
}

struct Player::State {
    std::shared_ptr<const Movie> movie;
    bool playing = false;
    bool looping = true;
};

Player::Player()
    : m_state(std::make_unique<State>()) {}
Player::~Player() = default;
void Player::setMovie(std::shared_ptr<const Movie> movie) {
    m_state->movie = std::move(movie);
}
bool Player::hasMovie() const {
    return m_state->movie != nullptr;
}
int Player::version() const {
    return 0;
}
double Player::frameRate() const {
    return 0;
}
int Player::frameIntervalMs() const {
    return 83;
}
int Player::frameCount() const {
    return 0;
}
QRectF Player::stageRect() const {
    return {};
}
QColor Player::backgroundColor() const {
    return Qt::white;
}
void Player::play() {
    m_state->playing = true;
}
void Player::stop() {
    m_state->playing = false;
}
bool Player::isPlaying() const {
    return m_state->playing;
}
void Player::setLooping(bool looping) {
    m_state->looping = looping;
}
bool Player::isLooping() const {
    return m_state->looping;
}
void Player::tick() {}
int Player::currentFrame() const {
    return 0;
}
void Player::gotoFrame(int) {}
void Player::rewind() {
    m_state->playing = false;
}
void Player::stepForward() {
    m_state->playing = false;
}
void Player::stepBack() {
    m_state->playing = false;
}
void Player::render(QPainter& painter, const QRectF& target, const RenderOptions&) const {
    painter.fillRect(target, Qt::white);
}

} // namespace reelcase::swf
