// Converts a 2,000-character text from us to ru, both maps rebuilt on every call as in the app.
#include "BenchReport.h"

#include "platform/x11/XkbKeyboardLayouts.h"
#include "services/KeyboardLayoutMapper.h"

#include <QCoreApplication>
#include <QElapsedTimer>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const XkbKeyboardLayouts layouts({"us", "ru"});
    const QList<LayoutInfo> installed = layouts.layouts();
    if (installed.size() != 2)
        return 1;

    QString text;
    while (text.size() < 2000)
        text += QStringLiteral("Ghbdtn? ,tp ghj,ktv\nz [jxe gjcvjnhtnm\t");
    text.truncate(2000);

    QList<double> samples;
    for (int run = 0; run < 200; ++run) {
        QElapsedTimer timer;
        timer.start();
        const std::optional<QString> converted
            = KeyboardLayoutMapper::convert(text, installed.at(0), installed.at(1), layouts);
        samples.append(timer.nsecsElapsed() / 1e6);
        if (!converted || converted->size() != text.size())
            return 1;
    }
    report(QStringLiteral("convert 2,000 characters us -> ru"), samples, "ms");
    return 0;
}
