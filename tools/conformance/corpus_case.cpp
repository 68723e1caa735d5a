#include "corpus_case.h"

#include "script_probe.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace reelcase::conformance {

namespace {

constexpr qint64 kMaxCaseFileBytes = 1 << 20;
constexpr int kMaxFrames = 100'000;
constexpr qint64 kMaxMovieBytes = 64 << 20;

// A file name that stays in the case folder.
bool isPlainFileName(const QString& name) {
    return !name.isEmpty() && !name.contains(u'/') && !name.contains(u'\\') && name != u"." &&
           name != u"..";
}

bool readWhole(const QJsonValue& value, int low, qint64 high, qint64* out) {
    if (!value.isDouble())
        return false;
    const double n = value.toDouble();
    if (!(n >= low && n <= double(high)) || n != double(qint64(n)))
        return false;
    *out = qint64(n);
    return true;
}

} // namespace

int CorpusCase::framesToRun() const {
    int frames = this->frames;
    for (const ExpectedImage& image : images)
        frames = std::max(frames, image.frame);
    return frames;
}

std::optional<CorpusCase> readCorpusCase(const QString& corpus, const QString& name,
                                         QString* error) {
    CorpusCase c;
    c.name = name;
    c.folder = QDir(corpus).absoluteFilePath(name);
    QFile file(c.folder + QStringLiteral("/case.json"));
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read case.json: %1").arg(file.errorString());
        return std::nullopt;
    }
    const QJsonDocument doc = QJsonDocument::fromJson(file.read(kMaxCaseFileBytes));
    const QJsonObject o = doc.object();
    const auto bad = [&](const QString& field) {
        *error = QStringLiteral("case.json: missing or invalid \"%1\"").arg(field);
        return std::nullopt;
    };
    qint64 n = 0;
    if (!readWhole(o.value(u"frames"), 1, kMaxFrames, &n))
        return bad(QStringLiteral("frames"));
    c.frames = int(n);
    if (o.contains(u"quality"))
        c.quality = o.value(u"quality").toString();
    for (const auto& [field, target] : {std::pair{QStringLiteral("trace"), &c.traceFile},
                                        std::pair{QStringLiteral("input"), &c.inputFile}}) {
        const QJsonValue value = o.value(field);
        if (value.isString() && isPlainFileName(value.toString()))
            *target = value.toString();
        else if (!value.isNull() && !value.isUndefined())
            return bad(field);
    }
    if (o.contains(u"viewport")) {
        const QJsonArray size = o.value(u"viewport").toArray();
        qint64 w = 0;
        qint64 h = 0;
        if (size.size() != 2 || !readWhole(size[0], 1, 16384, &w) ||
            !readWhole(size[1], 1, 16384, &h))
            return bad(QStringLiteral("viewport"));
        c.viewport = QSize(int(w), int(h));
    }
    for (const QJsonValue& value : o.value(u"images").toArray()) {
        const QJsonObject image = value.toObject();
        ExpectedImage e;
        e.file = image.value(u"file").toString();
        qint64 frame = 0;
        qint64 tolerance = 0;
        if (!isPlainFileName(e.file) || !readWhole(image.value(u"frame"), 1, kMaxFrames, &frame) ||
            !readWhole(image.value(u"tolerance"), 0, 255, &tolerance) ||
            !readWhole(image.value(u"max_outliers"), 0, qint64(1) << 40, &e.maxOutliers))
            return bad(QStringLiteral("images"));
        e.frame = int(frame);
        e.tolerance = int(tolerance);
        c.images.append(e);
    }
    QFile movie(c.folder + QStringLiteral("/test.swf"));
    if (movie.open(QIODevice::ReadOnly))
        c.scripted = movieHasScripts(movie.read(kMaxMovieBytes));
    return c;
}

QStringList listCorpusCases(const QString& corpus) {
    QFile file(QDir(corpus).filePath(QStringLiteral("cases.txt")));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList names;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QString name = QString::fromUtf8(line).trimmed();
        if (!name.isEmpty() && !name.startsWith(u'#'))
            names << name;
    }
    return names;
}

QString topFolder(const QString& caseName) {
    return caseName.section(u'/', 0, 0);
}

} // namespace reelcase::conformance
