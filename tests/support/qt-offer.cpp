// qt-offer: wl-offer's twin for compositors that give programs no data-control (GNOME): an ordinary Qt
// program that copies as a person makes it copy. Its window prints "ready" once it has the focus, and
// sets the clipboard with several formats at once on the next key press: mutter takes a selection only
// with a serial newer than the current selection's, which a key press gives and a window's focus does
// not. Arguments as wl-offer's (OfferArguments): "--stall" to stop with SIGSTOP once the selection
// is set, before answering anyone. Prints "offered" when the selection is set and exits when another
// program replaces it.
#include "OfferArguments.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QRasterWindow>

#include <csignal>
#include <cstdio>
#include <utility>

namespace {

class OfferWindow : public QRasterWindow {
public:
    OfferWindow(QMimeData *formats, bool stall)
        : m_formats(formats)
        , m_stall(stall)
    {
        connect(this, &QWindow::activeChanged, this, [this] {
            if (isActive() && !std::exchange(m_ready, true))
                say("ready");
        });
    }

    bool offered() const { return m_offered; }

protected:
    void keyPressEvent(QKeyEvent *) override
    {
        if (m_offered)
            return;
        m_offered = true;
        QGuiApplication::clipboard()->setMimeData(m_formats);
        say("offered");
        if (m_stall)
            std::raise(SIGSTOP);
    }

private:
    static void say(const char *line)
    {
        std::printf("%s\n", line);
        std::fflush(stdout);
    }

    QMimeData *m_formats;
    bool m_stall;
    bool m_ready = false;
    bool m_offered = false;
};

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const std::optional<OfferArguments> arguments = OfferArguments::parse(app.arguments().mid(1));
    if (!arguments)
        return 2;
    auto *formats = new QMimeData;
    for (auto format = arguments->formats.cbegin(); format != arguments->formats.cend(); ++format)
        formats->setData(format.key(), format.value());
    OfferWindow window(formats, arguments->stall);
    window.setTitle(QStringLiteral("qt-offer"));
    window.resize(120, 40);
    window.show();
    QClipboard *clipboard = QGuiApplication::clipboard();
    QObject::connect(clipboard, &QClipboard::dataChanged, &app, [&] {
        if (window.offered() && !clipboard->ownsClipboard())
            QCoreApplication::quit();
    });
    return app.exec();
}
