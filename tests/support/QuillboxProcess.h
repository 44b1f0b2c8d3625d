#pragma once

#include <QProcess>
#include <QSize>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QVariant>

#include <functional>

/// The real quillbox program, started with a private HOME and XDG folders, and its store read from
/// the side as another program would. Where the bed names a user its clients must run as to be
/// trusted (QUILLBOX_BED_AS_USER: KWin's fake-input), the program runs as that user, in a home it owns.
class QuillboxProcess {
public:
    QuillboxProcess();
    ~QuillboxProcess();

    /// Starts the program and waits until `readyLine` was printed (nothing to wait for when empty).
    /// Unless `firstRun` is set, onboarding counts as seen, and the panel that launch shows is waited
    /// for and dismissed with Esc, so the test's own windows get the focus back.
    bool start(const QString &readyLine = QStringLiteral("[Quillbox] Seeded 10 default templates"),
        const QProcessEnvironment &extra = {});
    /// SIGTERM, then waits for the exit; the exit code.
    int terminate();

    bool firstRun = false;
    /// The program's command-line arguments.
    QStringList arguments;

    QProcess &process() { return m_process; }
    QString preferencesPath() const { return m_home.filePath(".config/Quillbox/Quillbox.conf"); }
    /// A tray icon is never taller than this; the program's windows always are.
    static constexpr int trayIconMaxHeight = 48;
    /// Whether a visible top-level window has exactly this title.
    static bool hasVisibleWindow(const QString &title);
    /// The ids of the visible top-level windows with exactly this title, the tray icon's left out.
    static QStringList visibleWindows(const QString &title);
    /// A window's size, as the X server has it; empty when it cannot be read.
    static QSize windowSize(const QString &window);
    /// Waits until a window of this title is visible (or hidden, when `visible` is false).
    static bool waitForWindow(const QString &title, bool visible = true, int timeoutMs = 3000);
    /// The title of the active window, as the window manager says.
    static QString activeWindowName();
    /// Presses a global hotkey such as "super+shift+l" as a person does: the key held 150 ms, the
    /// modifiers let go 250 ms after it. Events are processed meanwhile.
    static void pressHotkey(const QString &combo);
    /// The program again, as a second start with the same home; its exit code.
    int startSecondInstance(const QStringList &arguments = {});
    QString storePath() const;
    QString dataHome() const { return m_home.filePath(".local/share"); }
    /// All standard output so far.
    QString output();
    /// All standard error so far: the log's warnings.
    QString errorOutput();

    /// The value of the first row of `sql` against the store (nothing when it has no row).
    QVariant query(const QString &sql);
    QList<QVariantList> rows(const QString &sql);
    /// Polls `sql` until `accept` takes its first value or `timeoutMs` passes.
    bool waitFor(const QString &sql, const std::function<bool(const QVariant &)> &accept, int timeoutMs = 1500);
    /// Polls until the newest item's content is `content`.
    bool waitForNewest(const QString &content, int timeoutMs = 5000);

private:
    QSqlDatabase database();
    /// The program's command line, as the bed's user where there is one.
    QStringList command(const QStringList &arguments) const;
    /// Gives the home to the bed's user.
    bool handHomeOver();

    QTemporaryDir m_home;
    const QStringList m_asUser;
    QProcess m_process;
    QByteArray m_output;
    QByteArray m_errorOutput;
    QString m_connection;
};
