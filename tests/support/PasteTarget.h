#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

/// A program pastes land in, started as its own process as a person's is, whose received text the test
/// reads back: a terminal running `cat` into a file, or an editor that writes its whole text to one.
class PasteTarget {
public:
    enum class Program {
        Xterm, ///< X11
        Foot, ///< Wayland
        QtEditor, ///< Qt 6 Widgets (tests/support/qt-editor) on the test's own display server
        GtkEditor, ///< GTK 3 (tests/support/gtk-editor.py) on the test's own display server
    };

    /// What a run of pastes in a row left in the program.
    struct Tally {
        QString program;
        int rounds = 0;
        int arrived = 0;
        /// One line for each round whose text did not arrive as it should, and why a run ended early.
        QStringList faults;

        /// "Qt editor: 7/20 pastes arrived", then the faults.
        QString summary() const;
    };

    explicit PasteTarget(Program program);
    ~PasteTarget();

    /// Starts the program and waits until it takes input.
    bool start();
    /// Its name in messages, and its window's title.
    QString name() const { return m_name; }
    /// The X11 class or the Wayland app id.
    QString appId() const { return m_appId; }
    /// Everything the program has received so far.
    QByteArray received() const;

    /// `rounds` pastes in a row, each of its own text so that a lost or doubled one shows: `paste`
    /// copies the text and pastes it, answering why it could not (which ends the run) or nothing; then
    /// the text must arrive after all earlier ones before the next round starts.
    Tally pasteInARow(int rounds, const std::function<QString(const QString &text)> &paste);

private:
    QString m_name;
    QString m_appId;
    QTemporaryDir m_dir;
    QProcess m_process;
};
