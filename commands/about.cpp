#include "about.h"

#include <QStringList>

namespace commands {

QString aboutText()
{
    static const QStringList lines = {
        QStringLiteral("    闲暇之作，仅供娱乐。"),
        QStringLiteral("    现在可显示九个不同国家/地区必应首页最新的图"),
        QStringLiteral("片。并提供保存和设置为桌面背景功能。"),
        QStringLiteral("    需要提醒大家的是，不是所有的图片都不同，每天"),
        QStringLiteral("都会有重复的图片出现哦：）"),
        QStringLiteral("    加载图片过程可能会较慢，加载时标题栏会有提示。"),
        QStringLiteral("    能力有限，如有建议或疑问，可通过Email联系。"),
        QStringLiteral("    Email:tavelo@example.org"),
    };
    return lines.join(QLatin1Char('\r'));
}

QString aboutTitle()
{
    return QStringLiteral("关于");
}

} // namespace commands
