// Renders the SVG icon as a square PNG of each size given, for the icon theme's fixed-size folders.
//   render-icon ICON.svg OUTPUT_DIR NAME SIZE...   (writes OUTPUT_DIR/SIZExSIZE/NAME.png)
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>

#include <cstdio>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    if (arguments.size() < 5) {
        std::fprintf(stderr, "usage: render-icon ICON.svg OUTPUT_DIR NAME SIZE...\n");
        return 2;
    }
    for (const QString &sizeText : arguments.mid(4)) {
        const int size = sizeText.toInt();
        QImageReader reader(arguments.at(1));
        reader.setScaledSize(QSize(size, size));
        const QImage image = reader.read();
        const QString folder = QStringLiteral("%1/%2x%2").arg(arguments.at(2)).arg(size);
        if (image.isNull() || !QDir().mkpath(folder)
            || !image.save(QStringLiteral("%1/%2.png").arg(folder, arguments.at(3)))) {
            std::fprintf(stderr, "render-icon: cannot render %s at %d px: %s\n", qPrintable(arguments.at(1)), size,
                qPrintable(reader.errorString()));
            return 1;
        }
    }
    return 0;
}
