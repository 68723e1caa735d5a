#include "swf/format/movie.h"
#include "swf/played_movie.h"
#include "swf/player/player.h"
#include "swf/swf_fixtures.h"
#include "swf/text/edit_text.h"
#include "swf/text/font.h"
#include "swfwriter/writer.h"
#include "swfwriter/writer_media.h"

#include <QTest>

#include <cmath>

using namespace reelcase;
using namespace reelcase::swf;
using write::ShapeBuilder;
using write::SwfWriter;

namespace {

// A font of two glyphs: 'A' a square of half an em standing on the baseline, 'B' a bar
// a quarter em wide; both advance one em.
write::FontDesign squareFont(int version) {
    write::FontDesign font;
    font.name = QStringLiteral("Squares");
    font.version = version;
    const double em = font.emSquare();
    font.ascent = em * 0.75;
    font.descent = em * 0.25;
    write::GlyphDesign a;
    a.code = u'A';
    a.outline.addRect(QRectF(0, -em / 2, em / 2, em / 2));
    a.advance = em;
    write::GlyphDesign b;
    b.code = u'B';
    b.outline.addRect(QRectF(0, -em / 2, em / 4, em / 2));
    b.advance = em;
    font.glyphs = {a, b};
    return font;
}

QImage render(const QByteArray& file, QSize size) {
    auto movie = test::load(file);
    if (!movie)
        return {};
    Player player;
    player.setMovie(movie);
    return test::renderImage(player, size);
}

// Columns and rows of image that hold a pixel matching colour.
QRect inkOf(const QImage& image, const QColor& colour, int tolerance = 60) {
    QRect ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (test::near(image.pixel(x, y), colour, tolerance))
                ink |= QRect(x, y, 1, 1);
    return ink;
}

const EditText* editText(const Movie& movie, std::uint16_t id) {
    return dynamic_cast<const EditText*>(movie.dictionary.character(id));
}

} // namespace

class TextRenderTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A glyph lands at its record's position, scaled to the record's height, the next one
    // an advance further on: for each font tag and em square.
    void glyphAtKnownHeightAndAdvance_data() {
        QTest::addColumn<int>("fontVersion");
        QTest::addColumn<bool>("text2");
        QTest::newRow("DefineFont + DefineFontInfo, DefineText") << 1 << false;
        QTest::newRow("DefineFont2, DefineText2") << 2 << true;
        QTest::newRow("DefineFont3 (20480 em), DefineText2") << 3 << true;
    }
    void glyphAtKnownHeightAndAdvance() {
        QFETCH(int, fontVersion);
        QFETCH(bool, text2);
        SwfWriter w({100, 60});
        w.background(Qt::white);
        const write::FontDesign font = squareFont(fontVersion);
        const auto fontId = write::defineFont(w, font);
        // Height 40 px: each square 20 px, advancing 40 px; baseline at y 50.
        const auto text = write::defineText(w, fontId, font,
                                            {{QStringLiteral("AB"), {10, 50}, 40, Qt::red}}, text2);
        w.place({.depth = 1, .character = text}).showFrame();
        const QImage image = render(w.finish(), {100, 60});
        QCOMPARE(inkOf(image, Qt::red), QRect(10, 30, 40 + 10, 20));
        QVERIFY(test::near(image.pixel(35, 40), Qt::white)); // between the glyphs
    }

    void embeddedFontInATextField_data() {
        QTest::addColumn<int>("align");
        QTest::addColumn<int>("left");
        // The field spans x 10..110 (gutter 2 px), the text "AA" 2 x 20 px advance, the
        // second square ending 10 px before the advance does.
        QTest::newRow("left") << int(TextAlign::Left) << 12;
        QTest::newRow("right") << int(TextAlign::Right) << 108 - 40;
        QTest::newRow("centre") << int(TextAlign::Center) << 12 + (96 - 40) / 2;
    }
    void embeddedFontInATextField() {
        QFETCH(int, align);
        QFETCH(int, left);
        SwfWriter w({120, 60});
        w.background(Qt::white);
        const write::FontDesign font = squareFont(2);
        const auto fontId = write::defineFont(w, font);
        write::EditTextDesign field;
        field.bounds = QRectF(10, 10, 100, 40);
        field.text = QStringLiteral("AA");
        field.fontId = fontId;
        field.fontHeight = 20;
        field.useOutlines = true;
        field.colour = Qt::blue;
        field.align = TextAlign(align);
        const auto id = write::defineEditText(w, field);
        w.place({.depth = 1, .character = id}).showFrame();
        const QImage image = render(w.finish(), {120, 60});
        // First line: top at 12 (gutter), ascent 15 px, so the baseline is at 27.
        QCOMPARE(inkOf(image, Qt::blue), QRect(left, 17, 30, 10));
    }

    // Fonts of files before version 6 carry the code page's double-byte codes: GBK here.
    void legacyDoubleByteFontCodes() {
        SwfWriter w({60, 40}, 12, 5);
        w.background(Qt::white);
        write::FontDesign font = squareFont(2);
        font.glyphs[0].code = 0xC4E3; // GBK for 你
        write::EditTextDesign field;
        field.bounds = QRectF(0, 0, 60, 40);
        field.fontId = write::defineFont(w, font);
        field.fontHeight = 20;
        field.useOutlines = true;
        field.colour = Qt::blue;
        field.rawText = QByteArray("\xC4\xE3");
        w.place({.depth = 1, .character = write::defineEditText(w, field)}).showFrame();
        const QImage image = render(w.finish(), {60, 40});
        QCOMPARE(inkOf(image, Qt::blue), QRect(2, 7, 10, 10));
    }

    // Device text wraps inside its box and is clipped to it.
    void deviceTextWrapsInItsBox() {
        SwfWriter w({200, 120});
        w.background(Qt::white);
        write::FontDesign device;
        device.name = QStringLiteral("_sans");
        const auto fontId = write::defineFont(w, device);
        write::EditTextDesign field;
        field.bounds = QRectF(20, 10, 100, 100);
        field.text = QStringLiteral("WWWW WWWW WWWW WWWW");
        field.fontId = fontId;
        field.fontHeight = 16;
        field.wordWrap = true;
        field.multiline = true;
        field.colour = Qt::black;
        const auto id = write::defineEditText(w, field);
        w.place({.depth = 1, .character = id}).showFrame();
        const QByteArray file = w.finish();
        const QImage image = render(file, {200, 120});
        const QRect ink = inkOf(image, Qt::black, 100);
        QVERIFY2(ink.height() > 40, "several lines");
        QVERIFY(QRect(20, 10, 100, 100).contains(ink));
        auto movie = test::load(file);
        QVERIFY(editText(*movie, id)->layout().lineCount >= 3);

        // Without word wrap the same text runs out of the box and is clipped at its edge.
        SwfWriter one({200, 120});
        one.background(Qt::white);
        const auto oneFont = write::defineFont(one, device);
        field.fontId = oneFont;
        field.wordWrap = false;
        one.place({.depth = 1, .character = write::defineEditText(one, field)}).showFrame();
        const QImage clipped = render(one.finish(), {200, 120});
        const QRect oneLine = inkOf(clipped, Qt::black, 100);
        QVERIFY(oneLine.height() < 20);
        QVERIFY2(oneLine.right() >= 110 && oneLine.right() <= 119, "cut at the field's edge");
    }

    // A DefineFont3 that only names a device face ends at its glyph count; fields using it
    // take that face (and keep it when scripts remake them).
    void fontWithoutGlyphsNamesTheFace() {
        SwfWriter w({100, 40});
        const std::uint16_t fontId = w.takeId();
        QByteArray font;
        font.append(char(fontId & 0xFF)).append(char(fontId >> 8));
        font.append('\x04').append('\x01'); // wide codes; language
        font.append(char(6)).append("_sans", 6);
        font.append(2, '\0'); // no glyphs, and nothing after
        w.rawTag(75, font);
        write::EditTextDesign field;
        field.bounds = QRectF(0, 0, 100, 40);
        field.text = QStringLiteral("HH");
        field.fontId = fontId;
        const auto id = write::defineEditText(w, field);
        w.place({.depth = 1, .character = id}).showFrame();
        auto movie = test::load(w.finish());
        QVERIFY(movie->dictionary.character(fontId));
        QCOMPARE(editText(*movie, id)->settings().format.face, QStringLiteral("_sans"));
    }

    void htmlColourAndSize() {
        SwfWriter w({300, 100});
        w.background(Qt::white);
        write::FontDesign device;
        device.name = QStringLiteral("_sans");
        write::EditTextDesign field;
        field.bounds = QRectF(0, 0, 300, 100);
        field.fontId = write::defineFont(w, device);
        field.fontHeight = 12;
        field.html = true;
        field.text = QStringLiteral("<p><font color=\"#FF0000\">HH</font> "
                                    "<font color=\"#0000FF\" size=\"40\">HH</font></p>");
        w.place({.depth = 1, .character = write::defineEditText(w, field)}).showFrame();
        const QImage image = render(w.finish(), {300, 100});
        const QRect red = inkOf(image, Qt::red);
        const QRect blue = inkOf(image, Qt::blue);
        QVERIFY(!red.isEmpty() && !blue.isEmpty());
        QVERIFY(red.right() < blue.left());
        QVERIFY2(blue.height() > 2 * red.height(), "the bigger size");
        QVERIFY2(std::abs(red.bottom() - blue.bottom()) <= 2, "one baseline");
    }

    void borderAndBackground() {
        SwfWriter w({60, 60});
        w.background(Qt::green);
        write::FontDesign device;
        device.name = QStringLiteral("_sans");
        write::EditTextDesign field;
        field.bounds = QRectF(10, 10, 40, 40);
        field.fontId = write::defineFont(w, device);
        field.border = true;
        w.place({.depth = 1, .character = write::defineEditText(w, field)}).showFrame();
        const QImage image = render(w.finish(), {60, 60});
        QVERIFY(test::near(image.pixel(30, 30), Qt::white));
        QVERIFY(test::near(image.pixel(10, 30), Qt::black, 60));
        QVERIFY(test::near(image.pixel(5, 30), Qt::green));
        QVERIFY(test::near(image.pixel(30, 10), Qt::black, 60));
        // The right and bottom lines lie just past the 40 pixels, as the player draws them.
        QVERIFY(test::near(image.pixel(49, 30), Qt::white));
        QVERIFY(test::near(image.pixel(50, 30), Qt::black, 60));
        QVERIFY(test::near(image.pixel(30, 50), Qt::black, 60));
        QVERIFY(test::near(image.pixel(51, 30), Qt::green));
        QVERIFY(test::near(image.pixel(50, 50), Qt::green)); // its far corner left out
    }

    // Text of older files is the system's code page: GBK here.
    void textEncodings_data() {
        QTest::addColumn<int>("swfVersion");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("UTF-8 in version 6")
            << 6 << QByteArray("\xE4\xBD\xA0\xE5\xA5\xBD") << QStringLiteral("你好");
        QTest::newRow("GBK in version 5")
            << 5 << QByteArray("\xC4\xE3\xBA\xC3") << QStringLiteral("你好");
        QTest::newRow("GBK in version 8")
            << 8 << QByteArray("\xC4\xE3\xBA\xC3") << QStringLiteral("你好");
    }
    void textEncodings() {
        QFETCH(int, swfVersion);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        SwfWriter w({100, 40}, 12, swfVersion);
        write::EditTextDesign field;
        field.bounds = QRectF(0, 0, 100, 40);
        field.rawText = bytes;
        const auto id = write::defineEditText(w, field);
        w.showFrame();
        auto movie = test::load(w.finish());
        QVERIFY(movie);
        QCOMPARE(editText(*movie, id)->initialText(), expected);
    }

    // Many glyph records of one complex glyph stay within a bounded path.
    void repeatedComplexGlyphIsBounded() {
        SwfWriter w({100, 40});
        write::FontDesign font = squareFont(2);
        QPolygonF star;
        for (int i = 0; i < 2000; ++i) {
            const double r = i % 2 ? 300 : 500;
            star << QPointF(512 + r * std::cos(i * 0.00314), -512 + r * std::sin(i * 0.00314));
        }
        font.glyphs[0].outline = QPainterPath();
        font.glyphs[0].outline.addPolygon(star);
        const auto fontId = write::defineFont(w, font);
        const auto text =
            write::defineText(w, fontId, font, {{QString(90'000, u'A'), {0, 30}, 20, Qt::black}});
        w.place({.depth = 1, .character = text}).showFrame();
        auto movie = test::load(w.finish());
        QVERIFY(movie);
        const Character* c = movie->dictionary.character(text);
        QVERIFY(c);
        QVERIFY(c->outline(0).elementCount() <= 1'000'000);
    }

    // Damaged font and text tags are passed over without taking the movie down.
    void hostileTextTagsAreSkipped_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("font offsets past the end")
            << 48 << QByteArray("\x00\x00\x00\x01X\x02\x00\xFF\xFF\xFF\xFF", 11);
        QTest::newRow("font info for no font") << 13 << QByteArray("\x05\x00\x01X\x00", 5);
        QTest::newRow("text with 40-bit glyph indices")
            << 11 << QByteArray("\x00\x00\x00\x28\x08\x80", 6);
        QTest::newRow("edit text without its strings") << 37 << QByteArray("\x00\x80\x00", 3);
    }
    void hostileTextTagsAreSkipped() {
        QFETCH(int, code);
        QFETCH(QByteArray, body);
        SwfWriter w({40, 40});
        const std::uint16_t id = w.takeId();
        QByteArray withId;
        withId.append(char(id & 0xFF)).append(char(id >> 8)).append(body);
        w.rawTag(code, withId);
        w.place({.depth = 1, .character = id}).showFrame();
        auto movie = test::load(w.finish());
        QVERIFY(movie);
        QVERIFY(movie->skippedTags >= 1);
        Player player;
        player.setMovie(movie);
        test::renderImage(player, {40, 40});
    }

    // A focused input field shows its caret as a one-pixel line in the text's colour; a
    // selection is a black band with its text drawn white.
    void focusedFieldShowsCaretAndSelection() {
        SwfWriter w({120, 60});
        w.background(Qt::white);
        write::EditTextDesign field;
        field.bounds = QRectF(10, 10, 100, 40);
        field.text = QStringLiteral("AB");
        field.fontId = write::defineFont(w, squareFont(2));
        field.fontHeight = 20;
        field.useOutlines = true;
        field.colour = Qt::blue;
        field.input = true;
        w.place({.depth = 1, .character = write::defineEditText(w, field)}).showFrame();
        test::PlayedMovie movie(w.finish());
        const Player& player = movie.player;
        const auto send = [&](InputEvent::Kind kind, QPointF at = {}, int key = 0) {
            movie.send(kind, at, key);
        };
        const QSize size(120, 60);
        // Text "AB" runs from 12 to 52 (two 20-pixel advances), lines 12 to 32.
        QCOMPARE(inkOf(test::renderImage(player, size), Qt::blue), QRect(12, 17, 25, 10));
        send(InputEvent::Kind::MouseDown, {90, 20}); // right of the text: caret at the end
        send(InputEvent::Kind::MouseUp, {90, 20});
        QImage image = test::renderImage(player, size);
        QCOMPARE(inkOf(image, Qt::blue), QRect(12, 12, 41, 20));
        QVERIFY(test::near(image.pixel(52, 14), Qt::blue, 60));
        QVERIFY(test::near(image.pixel(53, 14), Qt::white, 60));
        QVERIFY(test::near(image.pixel(51, 14), Qt::white, 60));
        // Focus again by Tab selects the whole text.
        send(InputEvent::Kind::KeyDown, {}, 9);
        send(InputEvent::Kind::KeyUp, {}, 9);
        image = test::renderImage(player, size);
        QCOMPARE(inkOf(image, Qt::blue), QRect());
        QCOMPARE(inkOf(image, Qt::black), QRect(12, 12, 40, 20));
        QVERIFY(test::near(image.pixel(15, 20), Qt::white, 60)); // inside the A
        QVERIFY(test::near(image.pixel(15, 14), Qt::black, 60)); // above it
        // A click outside takes the focus and its marks away.
        send(InputEvent::Kind::MouseDown, {5, 55});
        send(InputEvent::Kind::MouseUp, {5, 55});
        image = test::renderImage(player, size);
        QCOMPARE(inkOf(image, Qt::black), QRect());
        QCOMPARE(inkOf(image, Qt::blue), QRect(12, 17, 25, 10));
    }
};

QTEST_MAIN(TextRenderTest)
#include "test_text_render.moc"
