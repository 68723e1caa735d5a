#pragma once

#include <QColor>
#include <QPoint>
#include <QString>
#include <QWidget>

namespace reelcase {

// One state of the rotating banner: where its line is drawn (pixels from the banner's
// top-left corner), on which background and in which colour.
struct BannerLine {
    QPoint position;
    QColor background;
    QColor text;
    QString line;
};

// The banner's counter: 0 at load (showing line 5), then 1, 2, 3, 4, 5, 1, … per tick.
class BannerCycle {
public:
    int counter() const { return m_counter; }
    // The line shown now: line 5 at load, afterwards the row for the counter.
    BannerLine current() const;
    // Advances the counter and returns the line to draw.
    BannerLine tick();

    static BannerLine row(int counter);

private:
    int m_counter = 0;
};

// The banner (Picture2): one line of bold 11-point "宋体" on a plain background,
// redrawn on every tick; a click is reported through clicked().
class BannerWidget : public QWidget {
    Q_OBJECT
public:
    explicit BannerWidget(QWidget* parent = nullptr);

    void show(const BannerLine& line);
    const BannerLine& shown() const { return m_line; }

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    BannerLine m_line;
};

} // namespace reelcase
