#pragma once

#include "swfwriter/writer.h"

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTest>

namespace reelcase::test {

// How a command-line tool run ended.
struct ToolRun {
    int exitCode = -1; // -1: crashed or did not end
    QByteArray out;
    QString err;
};

inline ToolRun runTool(const QString& program, const QStringList& args,
                       const QString& workingDirectory = {}) {
    QProcess p;
    if (!workingDirectory.isEmpty())
        p.setWorkingDirectory(workingDirectory);
    p.start(program, args);
    if (!p.waitForFinished(120000))
        p.kill();
    p.waitForFinished();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            QString::fromUtf8(p.readAllStandardError())};
}

inline QString writeFile(const QString& path, const QByteArray& content) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(content);
    return path;
}

// A failed run: its exit status, and one line on stderr that says why.
inline void verifyOneLineFailure(const ToolRun& run, int exitCode, const QString& says) {
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(says), qPrintable(run.err));
    QCOMPARE(run.err.trimmed().count(u'\n'), 0);
}

// 64 x 48 stage, green background, a red square at (10,10)-(30,30) that moves right by
// 20 px on frame 2.
inline QByteArray movingSquareMovie() {
    namespace write = swf::write;
    write::SwfWriter w({64, 48});
    w.background(QColor(0, 128, 0));
    write::ShapeBuilder s;
    s.rect({10, 10, 20, 20}, s.addFill(write::solid(Qt::red)));
    w.place({.depth = 1, .character = w.defineShape(s)});
    w.showFrame();
    w.place({.depth = 1, .move = true, .matrix = QTransform::fromTranslate(20, 0)});
    w.showFrame();
    return w.finish(swf::Compression::Zlib);
}

} // namespace reelcase::test
