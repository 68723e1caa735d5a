#include "platform/browser_cache_locator.h"

#include "platform/regular_file.h"

#include <QDir>
#include <QStringView>

namespace reelcase {
namespace {

const QString kShellFoldersKey = QStringLiteral(
    "Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders");

// Undoes the escapes of a quoted user.reg string: \\ \" \n \t \r \0 and \xHHHH.
QString unescapeRegString(QStringView quoted) {
    QString out;
    out.reserve(quoted.size());
    for (qsizetype i = 0; i < quoted.size(); ++i) {
        const QChar c = quoted[i];
        if (c != QLatin1Char('\\') || i + 1 >= quoted.size()) {
            out += c;
            continue;
        }
        const QChar next = quoted[++i];
        switch (next.unicode()) {
        case 'n':
            out += QLatin1Char('\n');
            break;
        case 't':
            out += QLatin1Char('\t');
            break;
        case 'r':
            out += QLatin1Char('\r');
            break;
        case '0':
            out += QChar(0);
            break;
        case 'x': {
            qsizetype end = i + 1;
            while (end < quoted.size() && end < i + 5 && isxdigit(quoted[end].toLatin1()))
                ++end;
            bool ok = false;
            const uint code = quoted.mid(i + 1, end - i - 1).toUInt(&ok, 16);
            if (ok)
                out += QChar(char16_t(code));
            i = end - 1;
            break;
        }
        default:
            out += next;
            break;
        }
    }
    return out;
}

// Returns the text between the first pair of unescaped quotes starting at from.
QStringView quotedBody(QStringView line, qsizetype from, qsizetype* endOut) {
    const qsizetype open = line.indexOf(QLatin1Char('"'), from);
    if (open < 0)
        return {};
    for (qsizetype i = open + 1; i < line.size(); ++i) {
        if (line[i] == QLatin1Char('\\')) {
            ++i;
        } else if (line[i] == QLatin1Char('"')) {
            *endOut = i;
            return line.mid(open + 1, i - open - 1);
        }
    }
    return {};
}

} // namespace

QString shellFoldersCacheValue(const QString& userRegText) {
    bool inKey = false;
    const auto lines = QStringView(userRegText).split(QLatin1Char('\n'));
    for (QStringView line : lines) {
        line = line.trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            const qsizetype close = line.lastIndexOf(QLatin1Char(']'));
            inKey = close > 0 &&
                    line.mid(1, close - 1).compare(kShellFoldersKey, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inKey || !line.startsWith(QLatin1Char('"')))
            continue;
        qsizetype nameEnd = -1;
        const QStringView name = quotedBody(line, 0, &nameEnd);
        if (nameEnd < 0 || unescapeRegString(name).compare(u"Cache", Qt::CaseInsensitive) != 0)
            continue;
        qsizetype eq = line.indexOf(QLatin1Char('='), nameEnd);
        if (eq < 0)
            continue;
        QStringView rest = line.mid(eq + 1).trimmed();
        if (rest.startsWith(u"str(")) // str(2):"..." for expandable strings
            rest = rest.mid(rest.indexOf(QLatin1Char(':')) + 1);
        qsizetype valueEnd = -1;
        const QStringView value = quotedBody(rest, 0, &valueEnd);
        if (valueEnd < 0)
            return {};
        return unescapeRegString(value);
    }
    return {};
}

QString mapWindowsPathToPrefix(const QString& windowsPath, const QString& prefix) {
    if (windowsPath.size() < 2 || windowsPath[1] != QLatin1Char(':') || !windowsPath[0].isLetter())
        return {};
    const QChar drive = windowsPath[0].toLower();
    QString root = prefix;
    if (drive == QLatin1Char('c'))
        root += QStringLiteral("/drive_c");
    else
        root += QStringLiteral("/dosdevices/") + drive + QLatin1Char(':');
    QString rest = windowsPath.mid(2);
    rest.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (rest.endsWith(QLatin1Char('/')))
        rest.chop(1);
    if (!rest.isEmpty() && !rest.startsWith(QLatin1Char('/')))
        rest.prepend(QLatin1Char('/'));
    return root + rest;
}

QString locateBrowserCache(const QProcessEnvironment& environment) {
    const QString configured = environment.value(QStringLiteral("REELCASE_CACHE"));
    if (!configured.isEmpty())
        return configured;

    QString prefix = environment.value(QStringLiteral("WINEPREFIX"));
    if (prefix.isEmpty()) {
        const QString home = environment.value(QStringLiteral("HOME"), QDir::homePath());
        prefix = home + QStringLiteral("/.wine");
    }
    while (prefix.size() > 1 && prefix.endsWith(QLatin1Char('/')))
        prefix.chop(1);

    // A registry file is a few megabytes at most; anything larger is not one.
    FileLimits limits;
    limits.maxBytes = 64 * 1024 * 1024;
    const ReadResult userReg = readRegularFile(prefix + QStringLiteral("/user.reg"), limits);
    if (!userReg.ok)
        return {};
    const QString value = shellFoldersCacheValue(QString::fromUtf8(userReg.bytes));
    return mapWindowsPathToPrefix(value.trimmed(), prefix);
}

} // namespace reelcase
