#include "swf/text/css.h"
#include "swf/text/rich_text.h"

#include <QTest>

using namespace reelcase::swf;

namespace {

// The text with each run in brackets and its colour: "[ab:1][c:2]".
QString runsOf(const RichText& text) {
    QString out;
    int at = 0;
    for (const FormatRun& run : text.runs()) {
        out += QStringLiteral("[%1:%2]").arg(text.text().mid(at, run.length)).arg(run.format.color);
        at += run.length;
    }
    return out;
}

CharFormat colour(unsigned c) {
    CharFormat f;
    f.color = c;
    return f;
}

} // namespace

class RichTextTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Rules with several selectors, comments and hyphenated names; broken CSS reads as none.
    void cssReadsRulesAndRefusesBrokenOnes() {
        const auto rules = parseCss(u"/* top */ p, .Note { font-size: 12px; color:#FF0000 }\n"
                                    u"span{text-decoration : underline;}");
        QVERIFY(rules);
        QCOMPARE(rules->size(), 3);
        QCOMPARE(rules->at(1).selector, QStringLiteral(".Note"));
        QCOMPARE(rules->at(1).declarations.at(0).first, QStringLiteral("fontSize"));
        QCOMPARE(rules->at(1).declarations.at(1).second, QStringLiteral("#FF0000"));
        QCOMPARE(rules->at(2).declarations.at(0).first, QStringLiteral("textDecoration"));
        QVERIFY(parseCss(u"")->isEmpty());
        for (const char16_t* broken : {u"p { color: red", u"{ color: red }", u"p { color }",
                                       u"p { color: red } stray", u"p, { color: red }"})
            QVERIFY2(!parseCss(broken), QString::fromUtf16(broken).toUtf8());
    }

    // A style sheet styles tags by name and then by class, span included; </p> ends what a
    // styled paragraph opened, and an align attribute beats the style's.
    void htmlTakesStylesByTagAndClass() {
        HtmlStyles styles;
        FormatPatch p, note, right;
        p.color = 1;
        p.size = 20;
        note.color = 2;
        right.align = TextAlign::Right;
        styles.insert(QStringLiteral("p"), p);
        styles.insert(QStringLiteral(".note"), note);
        styles.insert(QStringLiteral(".right"), right);
        const RichText t = parseRichHtml(u"<p>a<span class=\"Note\">b</span></p>c"
                                         u"<p class=\"right\">d</p><p class=\"right\" "
                                         u"align=\"center\">e</p>",
                                         CharFormat(), false, true, &styles);
        QCOMPARE(runsOf(t), QStringLiteral("[a:1][b:2][\r:1][c\r:0][d\r:1][e\r:1]"));
        QCOMPARE(t.formatAt(0)->size, 20.0);
        QCOMPARE(t.formatAt(t.text().indexOf(u'd'))->align, TextAlign::Right);
        QCOMPARE(t.formatAt(t.text().indexOf(u'e'))->align, TextAlign::Center);
    }

    void replacingKeepsTheFormatsAround() {
        RichText t;
        t.setText(QStringLiteral("abcdef"), colour(1));
        t.replace(2, 4, QStringLiteral("XY"), colour(2));
        QCOMPARE(runsOf(t), QStringLiteral("[ab:1][XY:2][ef:1]"));
        t.replace(0, 0, QStringLiteral("<"), colour(3));               // before everything
        t.replace(t.size(), t.size(), QStringLiteral(">"), colour(3)); // after everything
        QCOMPARE(runsOf(t), QStringLiteral("[<:3][ab:1][XY:2][ef:1][>:3]"));
        t.replace(-5, 100, QString(), colour(1)); // clamped: everything goes
        QCOMPARE(t.size(), 0);
        QVERIFY(t.runs().empty());
        QVERIFY(!t.formatAt(0));
    }

    void formatsApplyToCharactersAndParagraphsApplyWhole() {
        RichText t;
        t.setText(QStringLiteral("one\rtwo\rsix"), colour(0));
        FormatPatch red;
        red.color = 0xFF0000;
        red.align = TextAlign::Center;
        t.applyFormat(5, 6, red); // "w" of the second paragraph
        QCOMPARE(t.formatAt(5)->color, 0xFF0000u);
        QCOMPARE(t.formatAt(4)->color, 0u);
        // Alignment belongs to the whole paragraph, and only to it.
        QCOMPARE(t.formatAt(4)->align, TextAlign::Center);
        QCOMPARE(t.formatAt(7)->align, TextAlign::Center);
        QCOMPARE(t.formatAt(0)->align, TextAlign::Left);
        QCOMPARE(t.formatAt(9)->align, TextAlign::Left);
        // What a range shares: alignment differs over 0..6, colour over 4..6.
        const FormatPatch common = t.commonFormat(0, 6);
        QVERIFY(!common.align);
        QVERIFY(!common.color);
        QCOMPARE(*common.size, 12.0);
        QCOMPARE(*t.commonFormat(5, 6).color, 0xFF0000u);
    }

    void htmlIsReadIntoRuns() {
        CharFormat base;
        const RichText t = parseRichHtml(u"<p align=\"right\"><b>bo</b>ld</p><p><font "
                                         u"color=\"#00ff00\" size=\"+2\">x&amp;y</font>",
                                         base, false);
        QCOMPARE(t.text(), QStringLiteral("bold\rx&y"));
        QVERIFY(t.formatAt(0)->bold);
        QVERIFY(!t.formatAt(2)->bold);
        QCOMPARE(t.formatAt(1)->align, TextAlign::Right);
        QCOMPARE(t.formatAt(5)->align, TextAlign::Left);
        QCOMPARE(t.formatAt(5)->color, 0x00FF00u);
        QCOMPARE(t.formatAt(5)->size, 14.0);
        // A paragraph ends where the next one starts, so text after </p> runs on.
        QCOMPARE(parseRichHtml(u"<p>a</p>", base, false).text(), QStringLiteral("a"));
        QCOMPARE(parseRichHtml(u"<p>a</p>b", base, false).text(), QStringLiteral("ab"));
        QCOMPARE(parseRichHtml(u"<p>a</p><p></p><p>b</p>", base, false).text(),
                 QStringLiteral("a\r\rb"));
        // An element after a closed paragraph opens the next; white space between is dropped.
        QCOMPARE(parseRichHtml(u"<p>a</p> <b>b</b>", base, false).text(), QStringLiteral("a\rb"));
        // A multiline field ends each paragraph with a break.
        QCOMPARE(parseRichHtml(u"<p>a</p>b", base, false, true).text(), QStringLiteral("a\rb"));
        QCOMPARE(parseRichHtml(u"<p></p>", base, false, true).text(), QStringLiteral("\r"));
        QCOMPARE(parseRichHtml(u"a<br>b", base, false).text(), QStringLiteral("a\rb"));
        // An attribute without quotes ends the reading, as in the player.
        QCOMPARE(parseRichHtml(u"a<font color=#00FF00>green</font>", base, false).text(),
                 QStringLiteral("a"));
        // Unfinished tags are dropped, never read past the end.
        QCOMPARE(parseRichHtml(u"ab<font", base, false).text(), QStringLiteral("ab"));
        // White space around the markup is layout; text of spaces alone is none.
        QCOMPARE(parseRichHtml(u"<b>a</b>\n", base, false).text(), QStringLiteral("a"));
        QCOMPARE(parseRichHtml(u"\n<p>a</p>\r\n", base, false, true).text(), QStringLiteral("a\r"));
        QCOMPARE(parseRichHtml(u"<b>\na\n</b>", base, false).text(), QStringLiteral("\ra\r"));
        QCOMPARE(parseRichHtml(u"a\n\nb\n", base, false).text(), QStringLiteral("a\r\rb\r"));
        QCOMPARE(parseRichHtml(u" <b> </b> ", base, false).size(), 0);
    }

    void htmlColoursTakeTheLastSixDigits() {
        const CharFormat base = colour(0x123456);
        auto colourOf = [&](const char* value) {
            const QString html =
                QStringLiteral("<font color=\"%1\">x</font>").arg(QLatin1String(value));
            return parseRichHtml(html, base, false).formatAt(0)->color;
        };
        QCOMPARE(colourOf("#abc"), 0xABCu);
        QCOMPARE(colourOf("#2345678"), 0x345678u);
        QCOMPARE(colourOf("#  234567"), 0x234567u);
        QCOMPARE(colourOf("#23g45"), 0x23u);
        QCOMPARE(colourOf("202020"), 0x123456u); // no '#': unchanged
        QCOMPARE(colourOf("#g1"), 0x123456u);
    }

    void condensedWhiteFoldsSpacesAndIgnoresNewlines() {
        const RichText t = parseRichHtml(u"  a \n\n  b  <br> c", CharFormat{}, true);
        QCOMPARE(t.text(), QStringLiteral("a b \rc"));
    }

    void htmlIsWrittenAsThePlayerNormalisesIt() {
        RichText t;
        CharFormat f;
        t.setText(QStringLiteral("a<b"), f);
        QCOMPARE(t.html(f), QStringLiteral("<P ALIGN=\"LEFT\"><FONT FACE=\"Times New Roman\" "
                                           "SIZE=\"12\" COLOR=\"#000000\" LETTERSPACING=\"0\" "
                                           "KERNING=\"0\">a&lt;b</FONT></P>"));
        CharFormat bold = f;
        bold.bold = true;
        bold.leftMargin = 5;
        t.setText(QStringLiteral("x\ry"), f);
        t.applyFormat(2, 3, FormatPatch::from(bold));
        QCOMPARE(t.html(f),
                 QStringLiteral("<P ALIGN=\"LEFT\"><FONT FACE=\"Times New Roman\" SIZE=\"12\" "
                                "COLOR=\"#000000\" LETTERSPACING=\"0\" KERNING=\"0\">x</FONT></P>"
                                "<TEXTFORMAT LEFTMARGIN=\"5\"><P ALIGN=\"LEFT\"><FONT FACE=\"Times "
                                "New Roman\" SIZE=\"12\" COLOR=\"#000000\" LETTERSPACING=\"0\" "
                                "KERNING=\"0\"><B>y</B></FONT></P></TEXTFORMAT>"));
        // An empty field gives no markup; colours are upper case.
        QCOMPARE(RichText().html(f), QString());
        t.setText(QStringLiteral("c"), colour(0xabcdef));
        QVERIFY(t.html(f).contains(QLatin1String("COLOR=\"#ABCDEF\"")));
        // White space alone makes no text.
        QCOMPARE(parseRichHtml(u" \n ", f, false).size(), 0);
    }

    void newlinesBecomeCarriageReturns() {
        QCOMPARE(normaliseNewlines(QStringLiteral("a\r\nb\nc\rd")), QStringLiteral("a\rb\rc\rd"));
    }

    void paragraphsForLayoutHidePasswords() {
        RichText t;
        t.setText(QStringLiteral("ab\rcd"), CharFormat{});
        const QList<TextParagraph> p = t.paragraphs(true, CharFormat{});
        QCOMPARE(p.size(), 2);
        QCOMPARE(p[0].text(), QStringLiteral("**"));
        QCOMPARE(p[1].text(), QStringLiteral("**"));
        QCOMPARE(RichText().paragraphs(false, CharFormat{}).size(), 1);
    }
};

QTEST_MAIN(RichTextTest)
#include "test_rich_text.moc"
