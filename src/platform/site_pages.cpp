#include "platform/site_pages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace reelcase {
namespace {

QUrl pageUrl(const QString& relativePath) {
    const QString webBase = QStringLiteral(REELCASE_WEB_BASE);
    if (!webBase.isEmpty())
        return QUrl(webBase + QLatin1Char('/') + relativePath);

    QStringList candidates;
    if (QCoreApplication::instance()) {
        const QString appDir = QCoreApplication::applicationDirPath();
        candidates << appDir + QStringLiteral("/../share/reelcase/site");
    }
    candidates << QStringLiteral(REELCASE_SITE_INSTALL_DIR)
               << QStringLiteral(REELCASE_SITE_SOURCE_DIR);
    for (const QString& folder : candidates) {
        const QFileInfo page(folder + QLatin1Char('/') + relativePath);
        if (page.exists())
            return QUrl::fromLocalFile(page.canonicalFilePath());
    }
    return QUrl::fromLocalFile(
        QDir::cleanPath(candidates.constLast() + QLatin1Char('/') + relativePath));
}

} // namespace

QUrl homePageUrl() {
    return pageUrl(QStringLiteral("01.htm"));
}

QUrl helpPageUrl() {
    return pageUrl(QStringLiteral("03/reelcase/help.htm"));
}

} // namespace reelcase
