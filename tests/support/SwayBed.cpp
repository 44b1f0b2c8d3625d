#include "SwayBed.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <functional>

namespace {

QByteArray swaymsg(const QStringList &arguments)
{
    QProcess swaymsg;
    swaymsg.start(QStringLiteral("swaymsg"), arguments);
    return swaymsg.waitForFinished(3000) && swaymsg.exitCode() == 0 ? swaymsg.readAllStandardOutput() : QByteArray();
}

} // namespace

QList<WaylandBed::Window> SwayBed::windows()
{
    QList<Window> all = WlrootsBed::windows();
    const std::function<void(const QJsonObject &)> place = [&](const QJsonObject &node) {
        if (node.contains("app_id")) {
            const QJsonObject rect = node.value("rect").toObject();
            for (Window &window : all) {
                if (window.appId == node.value("app_id").toString() && window.title == node.value("name").toString())
                    window.geometry = QRect(rect.value("x").toInt(), rect.value("y").toInt(),
                        rect.value("width").toInt(), rect.value("height").toInt());
            }
        }
        for (const char *children : {"nodes", "floating_nodes"}) {
            for (const QJsonValue &child : node.value(children).toArray())
                place(child.toObject());
        }
    };
    place(QJsonDocument::fromJson(swaymsg({"-t", "get_tree"})).object());
    return all;
}

bool SwayBed::setLayouts(const QStringList &layouts)
{
    const XkbNames xkb = xkbNames(layouts);
    const bool configured = !swaymsg({QStringLiteral("input type:keyboard xkb_layout \"%1\"; "
                                                     "input type:keyboard xkb_variant \"%2\"")
                                             .arg(xkb.layouts, xkb.variants)})
                                 .isNull();
    return configured && WlrootsBed::setLayouts(layouts);
}
