// clip-owner [--stall] FORMAT=VALUE|FORMAT=@FILE ...: owns the X11 CLIPBOARD with these formats.
// Prints "ready" once the server has made it the owner, then "served FORMAT" for each format handed out
// (Qt answers TARGETS and sends large values in INCR chunks). Exits when another program takes the
// clipboard, or on SIGTERM. --stall stops it (SIGSTOP) right after "ready": a hung owner.

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>

#include <xcb/xcb.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

class LoggingMimeData : public QMimeData {
protected:
    QVariant retrieveData(const QString &format, QMetaType type) const override
    {
        std::printf("served %s\n", qPrintable(format));
        std::fflush(stdout);
        return QMimeData::retrieveData(format, type);
    }
};

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    bool stall = false;
    auto *data = new LoggingMimeData;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg = argv[i];
        if (arg == "--stall") {
            stall = true;
            continue;
        }
        const qsizetype equals = arg.indexOf('=');
        const QByteArray value = arg.mid(equals + 1);
        QFile file(QString::fromLocal8Bit(value.mid(1)));
        if (equals <= 0 || (value.startsWith('@') && !file.open(QIODevice::ReadOnly))) {
            std::fprintf(stderr, "clip-owner: bad argument %s\n", argv[i]);
            return 2;
        }
        // Qt serves UTF8_STRING (and STRING, TEXT) from text/plain.
        const QByteArray format = arg.left(equals) == "UTF8_STRING" ? "text/plain" : arg.left(equals);
        data->setData(QString::fromLatin1(format), file.isOpen() ? file.readAll() : value);
    }
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->setMimeData(data);

    // A round trip: the server must have handled the takeover before anyone is told it is done.
    xcb_connection_t *connection = app.nativeInterface<QNativeInterface::QX11Application>()->connection();
    auto *atom = xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, 9, "CLIPBOARD"), nullptr);
    auto *owner = atom
        ? xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom), nullptr)
        : nullptr;
    const xcb_setup_t *setup = xcb_get_setup(connection);
    const bool owned = owner && (owner->owner & ~setup->resource_id_mask) == setup->resource_id_base;
    std::free(owner);
    std::free(atom);
    if (!owned || !clipboard->ownsClipboard()) {
        std::fprintf(stderr, "clip-owner: cannot take the clipboard\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    if (stall)
        std::raise(SIGSTOP);

    QObject::connect(clipboard, &QClipboard::changed, &app, [&](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard && !clipboard->ownsClipboard())
            app.quit();
    });
    return app.exec();
}
