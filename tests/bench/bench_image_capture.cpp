// Capture through the real X11 clipboard: a 1920x1080 PNG copied by xclip (read, decode, re-encode,
// store, and the history panel's lists updated), with the longest stall of the GUI thread meanwhile;
// then the large and odd copies.
// Run inside scripts/xsession.

#include "BenchReport.h"
#include "FakeWorkspace.h"
#include "TemporaryPreferences.h"
#include "TemporaryStore.h"
#include "TestImages.h"
#include "capture/ClipboardMonitor.h"
#include "platform/x11/X11Pasteboard.h"
#include "services/AppActions.h"
#include "ui/panel/ClipboardHistoryView.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

namespace {

// A photo-like picture: gradients and shapes, so it compresses like a screenshot or photo would.
QByteArray picture(int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0, QColor::fromHsv(seed * 40 % 360, 200, 255));
    gradient.setColorAt(1, QColor::fromHsv((seed * 40 + 180) % 360, 255, 120));
    painter.fillRect(image.rect(), gradient);
    for (int i = 0; i < 400; ++i) {
        painter.setBrush(QColor::fromHsv((i * 37 + seed) % 360, 180, 220, 120));
        painter.drawEllipse((i * 97) % width, (i * 53) % height, 40 + i % 120, 30 + i % 90);
    }
    painter.end();
    return encodedImage(image);
}

struct Capture {
    double milliseconds;
    double longestStallMs;
    bool stored;
};

class Bench {
public:
    ~Bench()
    {
        for (const auto &owner : m_owners) {
            owner->kill();
            owner->waitForFinished();
        }
    }

    Bench()
    {
        m_store.open();
        ClipCategory::insertDefaults(m_store.context());
        m_monitor = std::make_unique<ClipboardMonitor>(m_store.container(), m_pasteboard, m_workspace);
        m_monitor->startMonitoring();
        // The history panel's lists follow every capture on the GUI thread, as in the program.
        m_view = std::make_unique<ClipboardHistoryView>(
            m_store.context(), m_pasteboard, m_preferences.preferences, m_actions, nullptr);
        QObject::connect(&m_ticker, &QTimer::timeout, &m_ticker, [this] {
            m_longestStall = std::max(m_longestStall, double(m_sinceTick.nsecsElapsed()) / 1e6);
            m_sinceTick.start();
        });
        m_ticker.start(5);
    }

    Capture copy(const QByteArray &data, const QString &target)
    {
        QFile file(m_files.filePath("data"));
        file.open(QIODevice::WriteOnly);
        file.write(data);
        file.close();
        const auto newestBefore = newest();
        const qint64 changeBefore = m_monitor->lastChangeCount();

        // The previous owner exits by itself once the new one takes the clipboard.
        m_owners.push_back(std::make_unique<QProcess>());
        QProcess &owner = *m_owners.back();
        m_longestStall = 0;
        m_sinceTick.start();
        QElapsedTimer timer;
        timer.start();
        owner.start("xclip", {"-quiet", "-selection", "clipboard", "-t", target, "-i", file.fileName()});
        const QDeadlineTimer deadline(120000);
        while (!deadline.hasExpired()
            && (m_monitor->lastChangeCount() == changeBefore || m_monitor->pendingCaptures() > 0))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        const double elapsed = double(timer.nsecsElapsed()) / 1e6;
        // Let the ticker see a stall that the capture itself may have caused.
        QDeadlineTimer settle(30);
        while (!settle.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        return {elapsed, m_longestStall, newest() != newestBefore};
    }

private:
    std::shared_ptr<ClipboardItem> newest()
    {
        const auto items = m_store.context().fetch<ClipboardItem>(
            {{}, SortDescriptor<ClipboardItem>(&ClipboardItem::createdAt, Qt::DescendingOrder)});
        return items.isEmpty() ? nullptr : items.first();
    }

    TemporaryStore m_store;
    QTemporaryDir m_files;
    X11Pasteboard m_pasteboard;
    AppActions m_actions;
    FakeWorkspace m_workspace;
    std::unique_ptr<ClipboardMonitor> m_monitor;
    TemporaryPreferences m_preferences;
    std::unique_ptr<ClipboardHistoryView> m_view;
    std::vector<std::unique_ptr<QProcess>> m_owners;
    QTimer m_ticker;
    QElapsedTimer m_sinceTick;
    double m_longestStall = 0;
};

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    Bench bench;

    QList<double> times;
    QList<double> stalls;
    QByteArray sample;
    for (int round = 0; round < 7; ++round) {
        const QByteArray png = picture(1920, 1080, round);
        sample = png;
        const Capture capture = bench.copy(png, "image/png");
        if (!capture.stored)
            qFatal("the image was not captured");
        times.append(capture.milliseconds);
        stalls.append(capture.longestStallMs);
    }
    std::printf("1920x1080 PNG: %lld KB as copied\n", static_cast<long long>(sample.size() / 1024));
    report("copy of a 1920x1080 PNG to stored item", times, "ms");
    report("longest GUI-thread stall during that capture", stalls, "ms");

    const auto odd = [&](const char *name, const QByteArray &data, const QString &target) {
        const Capture capture = bench.copy(data, target);
        std::printf("%-58s %s in %9.1f ms, longest GUI stall %6.1f ms\n", name,
            capture.stored ? "stored" : "not stored", capture.milliseconds, capture.longestStallMs);
        std::fflush(stdout);
    };
    odd("50 MB text", QByteArray(50 * 1024 * 1024, 'x'), "UTF8_STRING");
    odd("text that is not valid UTF-8", QByteArray("caf\xe9 \xff\xfe broken"), "UTF8_STRING");
    odd("image/png that Qt cannot decode", QByteArray(4096, '\x42'), "image/png");
    odd("8000x8000 PNG", solidPng(8000, 8000), "image/png");
    return 0;
}
