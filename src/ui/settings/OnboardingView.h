#pragma once

#include <QObject>
#include <QString>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <functional>

class GnomeExtensionView;

/// The first-run welcome pages. The host shows it in the "Welcome to Quillbox" window and, on
/// `finished`, records that onboarding was seen and closes the window.
class OnboardingView : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The welcome window owns its controller")
    Q_PROPERTY(int page READ page NOTIFY pageChanged)
    Q_PROPERTY(int pageCount READ pageCount CONSTANT)
    /// Each page: {icon, iconColor, title, subtitle, body, bullets: [{icon, text}], actionLabel}.
    Q_PROPERTY(QVariantList pages READ pages CONSTANT)
    Q_PROPERTY(bool isLastPage READ isLastPage NOTIFY pageChanged)
    /// What the current page's action came to ("The extension is enabled..."); empty before.
    Q_PROPERTY(QString actionStatus READ actionStatus NOTIFY actionStatusChanged)

public:
    /// How automatic paste works on this desktop, for the third page.
    struct PasteSupport {
        bool isWayland = false;
        /// Keys can be typed into other programs: XTest on X11; a virtual keyboard or KWin's fake-input
        /// on Wayland.
        bool isAvailable = false;
        /// Opens the desktop's keyboard settings; empty when none is installed.
        std::function<void()> openKeyboardSettings;
        /// What types them, as the paste log names it ("XTest", "virtual keyboard", "KWin fake-input").
        QString mechanism;
    };

    /// `hotkeyInstructions`: how to bind the panel's key where the desktop does not let the program
    /// register it; empty where the hotkey just works. `gnomeExtension`, where Quillbox's GNOME Shell
    /// extension is installed but does not serve yet, adds a page that says how to switch it on.
    explicit OnboardingView(PasteSupport pasteSupport, const QString &hotkeyInstructions = {},
        GnomeExtensionView *gnomeExtension = nullptr, QObject *parent = nullptr);

    int page() const { return m_page; }
    int pageCount() const;
    QVariantList pages() const { return m_pages; }
    bool isLastPage() const { return m_page == pageCount() - 1; }
    QString actionStatus() const;

    Q_INVOKABLE void goNext();
    Q_INVOKABLE void goBack();
    Q_INVOKABLE void skip();
    /// The current page's extra button.
    Q_INVOKABLE void runAction();

signals:
    void pageChanged();
    void actionStatusChanged();
    /// "Get started" on the last page, or "Skip".
    void finished();

private:
    PasteSupport m_pasteSupport;
    GnomeExtensionView *m_gnomeExtension;
    QVariantList m_pages;
    int m_extensionPage = -1;
    int m_pastePage = -1;
    int m_page = 0;
};
