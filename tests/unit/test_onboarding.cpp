#include "ui/settings/GnomeExtensionView.h"
#include "ui/settings/OnboardingView.h"

#include <QSignalSpy>
#include <QTest>
#include <QVariantMap>

namespace {

QVariantMap pageAt(const OnboardingView &view, int index)
{
    return view.pages().at(index).toMap();
}

QStringList bulletIcons(const QVariantMap &page)
{
    QStringList icons;
    for (const QVariant &bullet : page.value("bullets").toList())
        icons.append(bullet.toMap().value("icon").toString());
    return icons;
}

} // namespace

class TestOnboarding : public QObject {
    Q_OBJECT

private slots:
    void navigationStaysInBoundsAndFinishesOnce()
    {
        int finishes = 0;
        OnboardingView view({});
        connect(&view, &OnboardingView::finished, this, [&] { ++finishes; });
        QCOMPARE(view.pageCount(), 6);
        view.goBack();
        QCOMPARE(view.page(), 0);
        for (int i = 0; i < 5; ++i)
            view.goNext();
        QCOMPARE(view.page(), 5);
        QVERIFY(view.isLastPage());
        QCOMPARE(finishes, 0);
        view.goNext();
        QCOMPARE(finishes, 1);
        QCOMPARE(view.page(), 5);
        for (int i = 0; i < 8; ++i)
            view.goBack();
        QCOMPARE(view.page(), 0);
    }

    void skipFinishesAtOnce()
    {
        int finishes = 0;
        OnboardingView view({});
        connect(&view, &OnboardingView::finished, this, [&] { ++finishes; });
        view.goNext();
        view.goNext();
        view.skip();
        QCOMPARE(finishes, 1);
        QCOMPARE(view.page(), 2);
    }

    void texts()
    {
        OnboardingView view({});
        QCOMPARE(pageAt(view, 1).value("body").toString(),
            "Press ⌘⇧V (Super + Shift + V) from any app to open Quillbox. You can change this shortcut any time "
            "in Settings → Shortcuts.");
        QVERIFY(pageAt(view, 4).value("body").toString().contains("anywhere on your desktop and press ⌘⇧L — "));
        // Where the desktop keeps the global keys, the page says how to bind the panel's instead.
        OnboardingView sway({}, "Add these lines to ~/.config/sway/config");
        QCOMPARE(pageAt(sway, 1).value("body").toString(), "Add these lines to ~/.config/sway/config");
        QCOMPARE(pageAt(view, 5).value("title").toString(), "You're all set");
        for (const QVariant &page : view.pages())
            QVERIFY(!page.toMap().value("body").toString().contains("Mac"));
    }

    void pastePageTellsWhatIsAvailable()
    {
        int opened = 0;
        OnboardingView withSettings({false, true, [&] { ++opened; }, "XTest"});
        const QVariantMap page = pageAt(withSettings, 2);
        QCOMPARE(page.value("icon").toString(), "accessibility");
        QCOMPARE(page.value("title").toString(), "Allow automatic paste");
        QCOMPARE(page.value("subtitle").toString(), "So Quillbox can paste directly");
        QCOMPARE(bulletIcons(page).first(), "checkmark.circle.fill");
        QCOMPARE(page.value("actionLabel").toString(), "Open Keyboard Settings");
        QVERIFY(page.value("hasAction").toBool());
        withSettings.runAction(); // page 0: no action there
        QCOMPARE(opened, 0);
        withSettings.goNext();
        withSettings.goNext();
        withSettings.runAction();
        QCOMPARE(opened, 1);

        OnboardingView wayland({true, false, {}, {}});
        const QVariantMap bare = pageAt(wayland, 2);
        QCOMPARE(bulletIcons(bare).first(), "xmark.circle");
        QVERIFY(bare.value("bullets").toList().at(1).toMap().value("text").toString().contains("ydotool"));
        QVERIFY(!bare.value("hasAction").toBool());
        QVERIFY(bare.value("actionLabel").toString().isEmpty());
        wayland.goNext();
        wayland.goNext();
        wayland.runAction(); // nothing to run, nothing to crash

        // The page names what really types the keys.
        const OnboardingView plasma({true, true, {}, "KWin fake-input"});
        QCOMPARE(pageAt(plasma, 2).value("bullets").toList().at(1).toMap().value("text").toString(),
            "Quillbox presses Ctrl+V through KWin fake-input");
    }

    // Installed but off, the extension gets its own page right after the welcome; its button runs
    // gnome-extensions and tells what came of it, and the paste page's button still opens the settings.
    void gnomeExtensionPageSwitchesItOn()
    {
        GnomeExtensionView extension("Enable it: GNOME Shell loads it at once.", true, true, "true");
        int opened = 0;
        OnboardingView view({true, true, [&] { ++opened; }, "GNOME Shell"}, {}, &extension);
        QCOMPARE(view.pageCount(), 7);
        const QVariantMap page = pageAt(view, 1);
        QCOMPARE(page.value("body").toString(), "Enable it: GNOME Shell loads it at once.");
        QCOMPARE(page.value("actionLabel").toString(), "Enable the Extension");
        QCOMPARE(bulletIcons(page), QStringList{"xmark.circle"});

        QSignalSpy status(&view, &OnboardingView::actionStatusChanged);
        view.goNext();
        view.runAction();
        QVERIFY(extension.isEnabling());
        QTRY_VERIFY(!extension.isEnabling());
        QCOMPARE(view.actionStatus(), "The extension is enabled. Quit and start Quillbox again to use it.");
        QVERIFY(!status.isEmpty());
        QCOMPARE(opened, 0);
        view.goNext();
        QCOMPARE(view.actionStatus(), QString());
        view.goNext();
        view.runAction();
        QCOMPARE(opened, 1);
    }

    void aFailedEnablingSaysSo()
    {
        GnomeExtensionView refused("Log out and back in.", true, false, "false");
        refused.enable();
        QTRY_VERIFY(!refused.isEnabling());
        QVERIFY2(refused.status().startsWith("Could not enable the extension"), qPrintable(refused.status()));

        GnomeExtensionView missing("Enable it.", true, true, "/nonexistent/gnome-extensions");
        missing.enable();
        QTRY_VERIFY(!missing.isEnabling());
        QCOMPARE(missing.status(), "Could not run gnome-extensions: it is not installed.");

        // An extension that cannot be switched on here offers no button and runs nothing.
        GnomeExtensionView failed("GNOME Shell could not run it.", false, false, "true");
        OnboardingView view({}, {}, &failed);
        QVERIFY(!pageAt(view, 1).value("hasAction").toBool());
        view.goNext();
        view.runAction();
        QVERIFY(!failed.isEnabling());
    }
};

QTEST_GUILESS_MAIN(TestOnboarding)
#include "test_onboarding.moc"
