#include "SwayTree.h"

#include <QProcess>
#include <QTest>

namespace SwayTree {

QByteArray tree()
{
    QProcess swaymsg;
    swaymsg.start("swaymsg", {"-t", "get_tree"});
    swaymsg.waitForFinished(3000);
    return swaymsg.readAllStandardOutput();
}

QString focusedAppId()
{
    const QString json = QString::fromUtf8(tree());
    const qsizetype focused = json.indexOf(QLatin1String("\"focused\": true"));
    const qsizetype start = focused < 0 ? -1 : json.lastIndexOf(QLatin1String("{"), focused);
    const qsizetype end = focused < 0 ? -1 : json.indexOf(QLatin1String("\"app_id\": \""), start);
    return end < 0 ? QString() : json.mid(end + 11).section(u'"', 0, 0);
}

bool waitForFocus(const QString &appId, int timeoutMs)
{
    return QTest::qWaitFor([&] { return focusedAppId() == appId; }, timeoutMs);
}

bool hasWindow(const QString &appId)
{
    return tree().contains("\"app_id\": \"" + appId.toUtf8() + "\"");
}

} // namespace SwayTree
