// qt-offer: wl-offer's twin for compositors that give programs no data-control (GNOME): an ordinary Qt
// program that copies as a person makes it copy. Its window prints "ready" once it has the focus, and
// sets the clipboard with several formats at once on the next key press: mutter takes a selection only
// with a serial newer than the current selection's, which a key press gives and a window's focus does
// not. Arguments: pairs of a format and its value, and "--stall" to stop with SIGSTOP once the selection
// is set, before answering anyone. Prints "offered" when the selection is set and exits when another
// program replaces it.
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
    bool stall = false;
    auto *formats = new QMimeData;
    const QStringList arguments = app.arguments().mid(1);
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--stall")) {
            stall = true;
            continue;
        }
        if (i + 1 == arguments.size())
            return 2;
        formats->setData(arguments[i], arguments[i + 1].toUtf8());
        ++i;
    }

    OfferWindow window(formats, stall);
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
