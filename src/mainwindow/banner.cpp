#include "mainwindow/banner.h"

#include "mainwindow/twips.h"

#include <QMouseEvent>
#include <QPainter>

namespace reelcase {
namespace {

const QColor kRed(255, 0, 0);
const QColor kTeal(0, 128, 128);
const QColor kGreen(0, 128, 0);
const QColor kWhite(255, 255, 255);
const QColor kCream(255, 255, 192);

} // namespace

BannerLine BannerCycle::row(int counter) {
    switch (counter) {
    case 1:
        return {twipsPoint(200, 80), kRed, kWhite, QStringLiteral("拾音匣（拾音）")};
    case 2:
        return {twipsPoint(200, 80), kTeal, kCream, QStringLiteral("网页音乐，一键留存")};
    case 3:
        return {twipsPoint(600, 80), kRed, kWhite, QStringLiteral("拾图匣（拾图）")};
    case 4:
        return {twipsPoint(200, 80), kTeal, kCream, QStringLiteral("网页图片，批量收藏")};
    default:
        return {twipsPoint(200, 80), kGreen, kWhite, QStringLiteral("欢迎光临拾影匣主页")};
    }
}

BannerLine BannerCycle::current() const {
    return row(m_counter == 0 ? 5 : m_counter);
}

BannerLine BannerCycle::tick() {
    m_counter = m_counter >= 5 ? 1 : m_counter + 1;
    return row(m_counter);
}

BannerWidget::BannerWidget(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("Picture2"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void BannerWidget::show(const BannerLine& line) {
    m_line = line;
    update();
}

void BannerWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), m_line.background);
    QFont font(QStringLiteral("宋体"));
    font.setPointSizeF(11);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(m_line.text);
    // The position is the top of the text, as the drawing position of a picture box is.
    const QFontMetrics metrics(font);
    painter.drawText(m_line.position + QPoint(0, metrics.ascent()), m_line.line);
}

void BannerWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

} // namespace reelcase
