#include "WaylandBed.h"

#include "GnomeBed.h"
#include "KWinBed.h"
#include "LabwcBed.h"
#include "SwayBed.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <memory>

namespace {

std::unique_ptr<WaylandBed> &theBed()
{
    static std::unique_ptr<WaylandBed> bed;
    return bed;
}

std::unique_ptr<WaylandBed> makeBed(const QString &name)
{
    if (name == "sway")
        return std::make_unique<SwayBed>();
    if (name == "kwin")
        return std::make_unique<KWinBed>();
    if (name == "labwc")
        return std::make_unique<LabwcBed>();
    if (name == "gnome")
        return std::make_unique<GnomeBed>();
    return nullptr;
}

QStringList linesAfter(const QString &text, const QString &prefix)
{
    QStringList found;
    for (const QString &line : text.split(u'\n')) {
        if (line.startsWith(prefix))
            found << line.mid(prefix.size());
    }
    return found;
}

// The name xkbcommon gives a layout ("us" -> "English (US)"), as keymaps carry it.
QString layoutName(const QString &layout)
{
    const QByteArray name = layout.section(u'(', 0, 0).toUtf8();
    const QByteArray variant = layout.contains(u'(') ? layout.section(u'(', 1).chopped(1).toUtf8() : QByteArray();
    xkb_context *context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const xkb_rule_names rules{"evdev", "pc105", name.constData(), variant.constData(), ""};
    xkb_keymap *keymap = xkb_keymap_new_from_names(context, &rules, XKB_KEYMAP_COMPILE_NO_FLAGS);
    const QString described = keymap ? QString::fromUtf8(xkb_keymap_layout_get_name(keymap, 0)) : layout;
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    return described;
}

} // namespace

WaylandBed &WaylandBed::current()
{
    std::unique_ptr<WaylandBed> &bed = theBed();
    if (!bed) {
        const QString name = qEnvironmentVariable("QUILLBOX_BED", QStringLiteral("sway"));
        bed = makeBed(name);
        if (!bed)
            qFatal("No Wayland bed is named \"%s\"", qPrintable(name));
        // Its helpers (the test keyboard) end with the application, not after it.
        qAddPostRoutine([] { theBed().reset(); });
    }
    return *bed;
}

QString WaylandBed::clientView() const
{
    QProcess client;
    client.start(WL_GLOBALS, {});
    if (!client.waitForFinished(5000) || client.exitCode() != 0)
        return {};
    return QString::fromUtf8(client.readAllStandardOutput());
}

QStringList WaylandBed::globals() const
{
    QStringList names;
    for (const QString &global : linesAfter(clientView(), "global "))
        names << global.section(u' ', 0, 0);
    return names;
}

bool WaylandBed::seatHasKeyboard() const
{
    const QStringList seat = linesAfter(clientView(), "seat");
    return !seat.isEmpty() && seat.first().split(u' ').contains("keyboard");
}

QStringList WaylandBed::keymapLayouts() const
{
    return linesAfter(clientView(), "layout ");
}

bool WaylandBed::waitForKeymap(const QStringList &layouts) const
{
    QStringList names;
    std::transform(layouts.begin(), layouts.end(), std::back_inserter(names), layoutName);
    QStringList sent;
    const bool arrived = QTest::qWaitFor([&] { return (sent = keymapLayouts()) == names; }, 5000);
    if (!arrived)
        qWarning("%s sends the layouts %s, not %s", qPrintable(name()), qPrintable(sent.join(", ")),
            qPrintable(names.join(", ")));
    return arrived;
}

WaylandBed::XkbNames WaylandBed::xkbNames(const QStringList &layouts)
{
    QStringList names;
    QStringList variants;
    for (const QString &layout : layouts) {
        names << layout.section(u'(', 0, 0);
        variants << (layout.contains(u'(') ? layout.section(u'(', 1).chopped(1) : QString());
    }
    return {names.join(u','), variants.join(u',')};
}

bool WaylandBed::writeSettings(const QString &name, const QByteArray &text)
{
    QFile file(qEnvironmentVariable("QUILLBOX_BED_CONFIG") + u'/' + name);
    if (!QDir().mkpath(QFileInfo(file).absolutePath()) || !file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(text) != text.size())
        return false;
    file.close();
    // The compositor runs as another user when the tests run as root.
    return file.setPermissions(file.permissions() | QFileDevice::ReadOther);
}

std::optional<WaylandBed::Window> WaylandBed::focusedWindow()
{
    const QList<Window> all = windows();
    const auto found = std::find_if(all.begin(), all.end(), [](const Window &window) { return window.focused; });
    return found == all.end() ? std::nullopt : std::optional(*found);
}

QString WaylandBed::focusedAppId()
{
    const std::optional<Window> focused = focusedWindow();
    return focused ? focused->appId : QString();
}

bool WaylandBed::hasWindow(const QString &appId)
{
    return window(appId).has_value();
}

bool WaylandBed::waitForFocus(const QString &appId, int timeoutMs)
{
    return QTest::qWaitFor([&] { return focusedAppId() == appId; }, timeoutMs);
}

bool WaylandBed::waitForFocusedTitle(const QString &title)
{
    return QTest::qWaitFor(
        [&] {
            const std::optional<Window> focused = focusedWindow();
            return focused && focused->title == title;
        },
        5000);
}

std::optional<WaylandBed::Window> WaylandBed::window(const QString &appId)
{
    const QList<Window> all = windows();
    const auto found
        = std::find_if(all.begin(), all.end(), [&](const Window &window) { return window.appId == appId; });
    return found == all.end() ? std::nullopt : std::optional(*found);
}
