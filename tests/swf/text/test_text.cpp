#include "swf/format/text_encoding.h"
#include "swf/text/html_text.h"
#include "swf/text/text_device_face.h"
#include "swf/text/text_layout.h"

#include <QImage>
#include <QPainter>
#include <QTest>

using namespace reelcase::swf;

namespace {

// Every character 100 twips wide; lines 200 twips tall.
class FixedFace : public TextFace {
public:
    double advance(QStringView text) const override { return 100.0 * text.size(); }
    double ascent() const override { return 160; }
    double descent() const override { return 40; }
    void draw(QPainter&, QPointF, QStringView, const QColor&) const override {}
};

FaceProvider fixedFaces() {
    auto face = std::make_shared<FixedFace>();
    return [face](const TextFormat&) { return face; };
}

// The lines of a layout as text, each fragment's x position in front: "0:abc|300:def".
QStringList linesOf(const TextLayout& layout) {
    QMap<double, QString> lines;
    for (const TextFragment& f : layout.fragments) {
        QString& line = lines[f.origin.y()];
        if (!line.isEmpty())
            line += u'|';
        line += QString::number(f.origin.x()) + u':' + f.text;
    }
    return lines.values();
}

QString describe(const QList<TextParagraph>& paragraphs) {
    QStringList out;
    for (const TextParagraph& p : paragraphs) {
        QStringList runs;
        for (const TextRun& r : p.runs) {
            QString flags;
            if (r.format.bold)
                flags += u'b';
            if (r.format.italic)
                flags += u'i';
            if (r.format.underline)
                flags += u'u';
            runs << QStringLiteral("%1[%2 %3 %4%5]")
                        .arg(r.text, r.format.colour.name(), QString::number(r.format.size / 20),
                             r.format.face, flags.isEmpty() ? QString() : u' ' + flags);
        }
        out << QString::number(int(p.layout.align)) + u':' + runs.join(u' ');
    }
    return out.join(u" / ");
}

} // namespace

class TextTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void html_data() {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("expected");
        // The base format: 12 px black "_sans", left aligned.
        QTest::newRow("plain") << "hello"
                               << "0:hello[#000000 12 _sans]";
        QTest::newRow("colour and size") << "<font color=\"#FF0000\" size=\"20\">big</font> small"
                                         << "0:big[#ff0000 20 _sans]  small[#000000 12 _sans]";
        QTest::newRow("relative size and face")
            << "<FONT SIZE='+4' FACE='宋体'>a</FONT><font size=-2>b</font>"
            << "0:a[#000000 16 宋体] b[#000000 10 _sans]";
        QTest::newRow("nested styles")
            << "<b>x<i>y<u>z</u></i></b>w"
            << "0:x[#000000 12 _sans b] y[#000000 12 _sans bi] z[#000000 12 _sans biu] "
               "w[#000000 12 _sans]";
        QTest::newRow("paragraphs with align")
            << "<p align=\"center\">one</p><p align=\"right\">two</p>three"
            << "2:one[#000000 12 _sans] / 1:two[#000000 12 _sans] / 0:three[#000000 12 _sans]";
        QTest::newRow("br keeps the paragraph's align")
            << "<p align=\"center\">a<br>b</p>"
            << "2:a[#000000 12 _sans] / 2:b[#000000 12 _sans]";
        QTest::newRow("entities") << "&lt;&amp;&gt;&quot;&apos;&#20320;&#x597D;&bogus;&"
                                  << "0:<&>\"'你好&bogus;&[#000000 12 _sans]";
        QTest::newRow("line breaks in the source")
            << "a\r\nb\rc\nd"
            << "0:a[#000000 12 _sans] / 0:b[#000000 12 _sans] / 0:c[#000000 12 _sans] / "
               "0:d[#000000 12 _sans]";
        QTest::newRow("unknown tags dropped, text kept")
            << "<a href=\"x\">link</a><span class=c>s</span>"
            << "0:links[#000000 12 _sans]";
        QTest::newRow("unbalanced close and stray bracket") << "</font></b>x<y"
                                                            << "0:x<y[#000000 12 _sans]";
        QTest::newRow("empty") << ""
                               << "0:";
    }
    void html() {
        QFETCH(QString, html);
        QFETCH(QString, expected);
        TextFormat base;
        base.face = QStringLiteral("_sans");
        QCOMPARE(describe(parseHtmlText(html, base, {})), expected);
    }

    void deepNestingIsBounded() {
        QString html;
        for (int i = 0; i < 100000; ++i)
            html += QStringLiteral("<b>");
        html += u'x';
        const auto paragraphs = parseHtmlText(html, {}, {});
        QCOMPARE(paragraphs.size(), 1);
        QVERIFY(paragraphs[0].runs[0].format.bold);
    }

    void layout_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("wrap");
        QTest::addColumn<int>("align");
        QTest::addColumn<QStringList>("lines");
        // The box is 1080 twips wide: 1000 inside the gutters, ten characters.
        QTest::newRow("no wrap") << "aaaa bbbb cccc" << false << 0
                                 << QStringList{"40:aaaa bbbb cccc"};
        QTest::newRow("wrap at spaces")
            << "aaaa bbbb cccc" << true << 0 << QStringList{"40:aaaa bbbb", "40:cccc"};
        QTest::newRow("long word breaks between characters")
            << "abcdefghijklmnop" << true << 0 << QStringList{"40:abcdefghij", "40:klmnop"};
        QTest::newRow("chinese breaks anywhere")
            << "一二三四五六七八九十甲乙" << true << 0
            << QStringList{"40:一二三四五六七八九十", "40:甲乙"};
        QTest::newRow("centred") << "abcd" << false << 2 << QStringList{"340:abcd"};
        QTest::newRow("right") << "abcd  " << false << 1 << QStringList{"640:abcd"};
        QTest::newRow("justify spreads all but the last line")
            << "aaaa bb cccc" << true << 3 << QStringList{"40:aaaa |840:bb", "40:cccc"};
        QTest::newRow("explicit breaks") << "ab\rcd" << true << 0 << QStringList{"40:ab", "40:cd"};
    }
    void layout() {
        QFETCH(QString, text);
        QFETCH(bool, wrap);
        QFETCH(int, align);
        QFETCH(QStringList, lines);
        ParagraphLayout paragraph;
        paragraph.align = TextAlign(align);
        const TextBox box{QRectF(0, 0, 1080, 2000), wrap, {}};
        const TextLayout laid =
            layoutText(plainTextParagraphs(text, {}, paragraph), box, fixedFaces());
        QCOMPARE(linesOf(laid), lines);
    }

    // Margins narrow the line, the indent moves only the first, leading spaces the lines.
    void marginsIndentLeading() {
        ParagraphLayout paragraph;
        paragraph.leftMargin = 100;
        paragraph.rightMargin = 100;
        paragraph.indent = 300;
        paragraph.leading = 50;
        const TextBox box{QRectF(1000, 500, 1180, 2000), true, {}}; // 900 between margins
        const TextLayout laid =
            layoutText(plainTextParagraphs(u"aaaa bbbb cccc", {}, paragraph), box, fixedFaces());
        QCOMPARE(linesOf(laid), (QStringList{"1440:aaaa", "1140:bbbb cccc"}));
        QCOMPARE(laid.lineCount, 2);
        QCOMPARE(laid.fragments[0].origin.y(), 500 + kTextGutter + 160);
        QCOMPARE(laid.fragments[1].origin.y(), 500 + kTextGutter + 200 + 50 + 160);
        QCOMPARE(laid.height, 2 * 250.0);
    }

    // Lines know where they start in the text, so a point finds the caret: the nearest
    // boundary on the line level with it, the end of a line past its text.
    void caretFollowsThePoint() {
        const TextBox box{QRectF(0, 0, 2000, 2000), false, {}};
        const TextLayout laid =
            layoutText(plainTextParagraphs(u"abc\rdefg", {}, {}), box, fixedFaces());
        QCOMPARE(laid.lineStarts, (QList<int>{0, 4}));
        QCOMPARE(laid.lineTops.size(), 2);
        QCOMPARE(laid.width, 400.0);
        const double x0 = kTextGutter, line2 = laid.lineTops[1] + 10;
        QCOMPARE(caretIndexAt(laid, {x0 + 140, 10}), 1);  // nearer the end of "a"
        QCOMPARE(caretIndexAt(laid, {x0 + 5000, 10}), 3); // past "abc"
        QCOMPARE(caretIndexAt(laid, {x0 - 500, line2}), 4);
        QCOMPARE(caretIndexAt(laid, {x0 + 260, line2}), 7); // between "f" and "g"
        QCOMPARE(caretIndexAt(laid, {x0, 1e6}), 4);         // below: the last line
        QCOMPARE(caretIndexAt(TextLayout{}, {0, 0}), 0);
    }

    // Device text draws inside its box and wraps to a second line.
    void deviceTextWrapsInItsBox() {
        TextFormat format;
        format.size = 20 * 20;
        format.colour = Qt::blue;
        const TextBox box{QRectF(0, 0, 20 * 100, 20 * 100), true, format};
        const FaceProvider faces = [](const TextFormat& f) {
            return std::make_shared<TextDeviceFace>(f);
        };
        const TextLayout laid =
            layoutText(plainTextParagraphs(u"WWWW WWWW WWWW", format, {}), box, faces);
        QVERIFY(laid.lineCount >= 2);
        QImage image(100, 100, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.scale(1.0 / 20, 1.0 / 20);
        drawTextLayout(painter, laid);
        painter.end();
        int bluePixels = 0;
        int lowestRow = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 100; ++x)
                if (qBlue(image.pixel(x, y)) > 200 && qRed(image.pixel(x, y)) < 100) {
                    ++bluePixels;
                    lowestRow = y;
                }
        QVERIFY(bluePixels > 50);
        QVERIFY2(lowestRow > 30, "a second line below the first"); // 20 px text
        for (const TextFragment& f : laid.fragments)
            QVERIFY(f.origin.x() + f.width <= box.bounds.right() - kTextGutter + 1);
    }

    void chineseTextFindsAFont() {
        TextFormat format;
        format.face = QStringLiteral("宋体");
        format.size = 400;
        const TextDeviceFace face(format);
        QVERIFY(face.advance(u"你好") > 400);
    }

    void encoding_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("ascii") << QByteArray("hello") << "hello";
        QTest::newRow("utf-8") << QByteArray("\xE4\xBD\xA0\xE5\xA5\xBD") << "你好";
        QTest::newRow("gbk") << QByteArray("\xC4\xE3\xBA\xC3") << "你好";
        QTest::newRow("gbk with ascii") << QByteArray("abc\xD6\xD0\xCE\xC4") << "abc中文";
    }
    void encoding() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QCOMPARE(decodeSwfText(bytes), expected);
    }
};

QTEST_MAIN(TextTest)
#include "test_text.moc"
