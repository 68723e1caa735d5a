#include "mainwindow/welcome_text.h"

#include <QStringList>

namespace reelcase {

QString welcomeText(const QString& defaultFavoritesFolder, const QString& homePageAddress) {
    const QStringList lines = {
        QStringLiteral("欢迎您使用拾影匣。"),
        QString(),
        QStringLiteral("1、首先进入FLASH动画网站，播放您喜欢的FLASH。"),
        QString(),
        QStringLiteral("2、点“搜索”按钮，您刚才播放过的FLASH会出现在左上角的列表中。"),
        QString(),
        QStringLiteral("3、点“另存”按钮，即可保存FLASH到您的电脑中。"),
        QString(),
        QStringLiteral("4、点“收藏”按钮，把FLASH添加到“收藏夹”集中管理。"),
        QString(),
        QStringLiteral("5、“收藏夹”的默认文件夹是“%1”。").arg(defaultFavoritesFolder),
        QString(),
        QStringLiteral("作者主页："),
        QString(),
        homePageAddress,
        QString(),
        QStringLiteral("联系邮箱："),
        QString(),
        QStringLiteral("reelcase@reelkit.invalid"),
    };
    QString text;
    for (const QString& line : lines)
        text += line + QStringLiteral("\r\n");
    return text;
}

} // namespace reelcase
