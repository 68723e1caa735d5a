#include "capture/save_as.h"

#include <QCoreApplication>
#include <QDir>

namespace reelcase {

FileDialogRequest saveAsDialogRequest() {
    return {QStringLiteral("另存为"), QDir::homePath(), {QStringLiteral("swf(*.swf)")}};
}

QString saveAsDestination(const QString& chosen) {
    return chosen.trimmed() + QStringLiteral(".swf");
}

FileDialogRequest openDialogRequest() {
    // A filter without a "(patterns)" part is its own pattern, so the dialog's type list
    // shows exactly "*.swf".
    return {QStringLiteral("打开FLASH文件"),
            QCoreApplication::applicationDirPath(),
            {QStringLiteral("*.swf")}};
}

} // namespace reelcase
