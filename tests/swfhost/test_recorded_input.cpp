#include "swfhost/recorded_input.h"

#include "swf/player/input_event.h"

#include <QTest>

using namespace reelcase::swfhost;
using Type = InputEvent::Type;

class TestRecordedInput : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // "Wait" closes a frame's batch; the events after the last one form the last batch.
    void splitsIntoFrames() {
        QString error;
        const auto input = parseRecordedInput(R"([
            {"type": "MouseMove", "pos": [205.5, 60], "btn": "Left"},
            {"type": "MouseDown", "pos": [1, 2], "btn": "Right"},
            {"type": "Wait"},
            {"type": "Wait"},
            {"type": "KeyDown", "key": "Tab"},
            {"type": "KeyUp", "key": {"Numpad": "1"}},
            {"type": "TextInput", "codepoint": "好"},
            {"type": "TextInput", "codepoint": 97},
            {"type": "TextControl", "code": "Paste"},
            {"type": "SetClipboardText", "text": ""},
            {"type": "MouseWheel", "lines": -1},
            {"type": "FocusLost"}
        ])",
                                              &error);
        QVERIFY2(input, qPrintable(error));
        QCOMPARE(input->batches.size(), size_t(3));
        QCOMPARE(input->batches[0].size(), size_t(2));
        QVERIFY(input->batches[1].empty());
        QCOMPARE(input->eventCount(), 10);
        const InputEvent& move = input->batches[0][0];
        QCOMPARE(move.pos, QPointF(205.5, 60));
        QCOMPARE(move.button, InputEvent::Button::Left);
        QCOMPARE(input->batches[0][1].button, InputEvent::Button::Right);
        const auto& last = input->batches[2];
        QCOMPARE(last[0].key, QStringLiteral("Tab"));
        QCOMPARE(last[1].keyKind, InputEvent::KeyKind::Numpad);
        QCOMPARE(last[1].key, QStringLiteral("1"));
        QCOMPARE(last[2].codepoint, U'好');
        QCOMPARE(last[3].codepoint, U'a');
        QCOMPARE(last[4].text, QStringLiteral("Paste"));
        QCOMPARE(last[5].type, Type::SetClipboardText);
        QCOMPARE(last[6].lines, -1.0);
        QCOMPARE(last[7].type, Type::FocusLost);
    }

    void emptyRecording() {
        QString error;
        const auto input = parseRecordedInput("[]", &error);
        QVERIFY(input);
        QCOMPARE(input->eventCount(), 0);
    }

    void refusesMalformedEvents_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("says");
        QTest::newRow("not json") << QByteArray("[{") << "not JSON";
        QTest::newRow("not a list") << QByteArray(R"({"type": "Wait"})") << "list";
        QTest::newRow("not an object") << QByteArray("[1]") << "event 1";
        QTest::newRow("unknown type")
            << QByteArray(R"([{"type": "Wait"}, {"type": "Jump"}])") << "event 2";
        QTest::newRow("short position")
            << QByteArray(R"([{"type": "MouseMove", "pos": [1]}])") << "pos";
        QTest::newRow("text position")
            << QByteArray(R"([{"type": "MouseMove", "pos": ["1", 2]}])") << "pos";
        QTest::newRow("no button")
            << QByteArray(R"([{"type": "MouseUp", "pos": [1, 2]}])") << "btn";
        QTest::newRow("odd button")
            << QByteArray(R"([{"type": "MouseUp", "pos": [1, 2], "btn": "Fourth"}])") << "btn";
        QTest::newRow("no key") << QByteArray(R"([{"type": "KeyDown"}])") << "key";
        QTest::newRow("odd key") << QByteArray(R"([{"type": "KeyDown", "key": {"Foot": "a"}}])")
                                 << "key";
        QTest::newRow("two characters")
            << QByteArray(R"([{"type": "TextInput", "codepoint": "ab"}])") << "codepoint";
        QTest::newRow("past unicode")
            << QByteArray(R"([{"type": "TextInput", "codepoint": 1114112}])") << "codepoint";
        QTest::newRow("no wheel") << QByteArray(R"([{"type": "MouseWheel"}])") << "lines";
        QTest::newRow("no clipboard text")
            << QByteArray(R"([{"type": "SetClipboardText"}])") << "text";
    }
    void refusesMalformedEvents() {
        QFETCH(QByteArray, json);
        QFETCH(QString, says);
        QString error;
        QVERIFY(!parseRecordedInput(json, &error));
        QVERIFY2(error.contains(says), qPrintable(error));
    }
    // Recorded keys become the movie's key codes and characters; what the player does not
    // take is dropped.
    void keysBecomeMovieKeyCodes_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("keyCode");
        QTest::addColumn<int>("codepoint");
        QTest::newRow("letter") << QByteArray(R"({"type": "KeyDown", "key": {"Char": "a"}})") << 65
                                << int('a');
        QTest::newRow("capital") << QByteArray(R"({"type": "KeyDown", "key": {"Char": "Q"}})") << 81
                                 << int('Q');
        QTest::newRow("punctuation")
            << QByteArray(R"({"type": "KeyUp", "key": {"Char": "?"}})") << 191 << int('?');
        QTest::newRow("numpad") << QByteArray(R"({"type": "KeyDown", "key": {"Numpad": "1"}})")
                                << 97 << int('1');
        QTest::newRow("arrow") << QByteArray(R"({"type": "KeyDown", "key": "ArrowLeft"})") << 37
                               << 0;
        QTest::newRow("shift") << QByteArray(R"({"type": "KeyDown", "key": "LeftShift"})") << 16
                               << 0;
        QTest::newRow("space types a blank")
            << QByteArray(R"({"type": "KeyDown", "key": "Space"})") << 32 << int(' ');
        QTest::newRow("unknown key")
            << QByteArray(R"({"type": "KeyDown", "key": "Hyper"})") << -1 << 0;
    }
    void keysBecomeMovieKeyCodes() {
        QFETCH(QByteArray, json);
        QFETCH(int, keyCode);
        QFETCH(int, codepoint);
        QString error;
        const auto input = reelcase::swfhost::parseRecordedInput("[" + json + "]", &error);
        QVERIFY2(input && input->batches.size() == 1 && input->batches[0].size() == 1,
                 qPrintable(error));
        const auto event = reelcase::swfhost::playerEvent(input->batches[0][0]);
        if (keyCode < 0) {
            QVERIFY(!event);
            return;
        }
        QVERIFY(event);
        QCOMPARE(event->keyCode, keyCode);
        QCOMPARE(int(event->codepoint), codepoint);
    }

    void pointerEventsKeepStagePositions() {
        QString error;
        const auto input = reelcase::swfhost::parseRecordedInput(
            R"([{"type": "MouseDown", "pos": [12, 34], "btn": "Left"},
                {"type": "SetClipboardText", "text": "x"}])",
            &error);
        QVERIFY2(input, qPrintable(error));
        const auto press = reelcase::swfhost::playerEvent(input->batches[0][0]);
        QVERIFY(press);
        QCOMPARE(press->kind, reelcase::swf::InputEvent::Kind::MouseDown);
        QCOMPARE(press->position, QPointF(12, 34));
        QVERIFY(!reelcase::swfhost::playerEvent(input->batches[0][1]));
    }
};

QTEST_GUILESS_MAIN(TestRecordedInput)
#include "test_recorded_input.moc"
