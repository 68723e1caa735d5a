#include "swfhost/headless.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstdio>

namespace reelcase::swfhost {

namespace {

const char* g_toolName = "tool";

void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s: %s\n", g_toolName, qPrintable(message));
}

} // namespace

void prepareHeadlessTool(const char* toolName) {
    g_toolName = toolName;
    if (qEnvironmentVariableIsEmpty("REELCASE_QT_VERBOSE"))
        qInstallMessageHandler(quietMessages);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

} // namespace reelcase::swfhost
