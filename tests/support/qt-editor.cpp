// qt-editor TITLE APP-ID FILE: a Qt Widgets text field in a window of its own, as a person's editor is,
// titled TITLE, with APP-ID as its Wayland app id and X11 class. It writes its whole text to FILE once
// it is shown and again at every change, so a test counts what was pasted into it.
#include <QApplication>
#include <QLineEdit>
#include <QSaveFile>

namespace {

bool save(const QString &path, const QString &text)
{
    // Replaced whole, so a reader never sees half of it.
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0 && file.commit();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 4) {
        qWarning("usage: qt-editor TITLE APP-ID FILE");
        return 2;
    }
    // The class is read when the first window is created: set before it.
    QApplication::setApplicationName(arguments[2]);
    QGuiApplication::setDesktopFileName(arguments[2]);
    const QString path = arguments[3];

    QLineEdit field;
    field.setWindowTitle(arguments[1]);
    field.resize(400, 40);
    QObject::connect(&field, &QLineEdit::textChanged, &field, [&path](const QString &text) {
        if (!save(path, text))
            qWarning("qt-editor: cannot write %s", qPrintable(path));
    });
    field.show();
    if (!save(path, field.text()))
        return 1;
    return app.exec();
}
