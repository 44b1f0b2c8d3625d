#include "FakePasteboard.h"
#include "ManualClock.h"
#include "TemporaryPreferences.h"
#include "TemporaryStore.h"
#include "TestImages.h"
#include "app/BackendChoice.h"
#include "app/Translations.h"
#include "capture/CopySourceFilter.h"
#include "model/HistoryLimit.h"
#include "model/PasteTemplate.h"
#include "services/AppActions.h"
#include "services/HistoryPause.h"
#include "services/KeyCombo.h"
#include "services/KeyboardLayouts.h"
#include "services/NeverRecordedApplications.h"
#include "ui/IconImageProvider.h"
#include "ui/ShadowImageProvider.h"
#include "ui/panel/ClipboardHistoryView.h"
#include "ui/panel/StoreProblemView.h"
#include "ui/panel/ThumbnailImageProvider.h"
#include "ui/settings/DesktopShortcutsView.h"
#include "ui/settings/GnomeExtensionView.h"
#include "ui/settings/OnboardingView.h"
#include "ui/settings/PrivacyView.h"
#include "ui/settings/SettingsView.h"

#include <QFile>
#include <QProcess>
#include <QQmlEngine>
#include <QQmlEngineExtensionPlugin>
#include <QQuickItem>
#include <QQuickView>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <functional>

Q_IMPORT_QML_PLUGIN(QuillboxPlugin)

namespace {

const QString opening = QStringLiteral("\u27E6");
const QString closing = QStringLiteral("\u27E7");

// The Russian file turned into one where every text reads "⟦source⟧", in each plural form.
QByteArray pseudoTranslation(const QString &tsPath)
{
    QFile file(tsPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QXmlStreamReader reader(&file);
    QByteArray out;
    QXmlStreamWriter writer(&out);
    writer.setAutoFormatting(true);
    QString source;
    bool numerus = false;
    int forms = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartDocument()) {
            writer.writeStartDocument();
            writer.writeDTD(QStringLiteral("<!DOCTYPE TS>"));
        } else if (reader.isStartElement() && reader.name() == QLatin1String("translation")) {
            forms = 0;
            while (
                !(reader.readNext() == QXmlStreamReader::EndElement && reader.name() == QLatin1String("translation")))
                forms += reader.isStartElement();
            writer.writeStartElement(QStringLiteral("translation"));
            for (int i = 0; i < (numerus ? forms : 1); ++i) {
                if (numerus)
                    writer.writeTextElement(QStringLiteral("numerusform"), opening + source + closing);
                else
                    writer.writeCharacters(opening + source + closing);
            }
            writer.writeEndElement();
        } else if (reader.isStartElement()) {
            if (reader.name() == QLatin1String("message"))
                numerus = reader.attributes().value(QLatin1String("numerus")) == QLatin1String("yes");
            const bool isSource = reader.name() == QLatin1String("source");
            writer.writeStartElement(reader.name().toString());
            writer.writeAttributes(reader.attributes());
            if (isSource) {
                source = reader.readElementText();
                writer.writeCharacters(source);
                writer.writeEndElement();
            }
        } else if (reader.isEndElement()) {
            writer.writeEndElement();
        } else if (reader.isCharacters() && !reader.isWhitespace()) {
            writer.writeCharacters(reader.text().toString());
        }
    }
    writer.writeEndDocument();
    return reader.hasError() ? QByteArray() : out;
}

struct ListedLayouts : KeyboardLayouts {
    QList<LayoutInfo> layouts() const override { return {{"us", "English (US)"}, {"ru", "Russian"}}; }
    KeyTable keyTable(const LayoutInfo &) const override { return {}; }
};

} // namespace

/// The views drawn with a pseudo-translation loaded through the program's own hook, where every
/// translated text reads "⟦...⟧": any text a person sees without the marks never went through a
/// translation. The person's own data (items, file names, category and application names), numbers
/// and symbols are what may show as they are.
class TestPseudoTranslation : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<QQuickView> m_window;
    QStringList m_userData;
    QStringList m_untranslated;

    void load(const char *file, const QVariantMap &properties)
    {
        m_window = std::make_unique<QQuickView>();
        m_window->engine()->addImageProvider(QStringLiteral("icon"), new IconImageProvider);
        m_window->engine()->addImageProvider(QStringLiteral("shadow"), new ShadowImageProvider);
        m_window->setInitialProperties(properties);
        m_window->setSource(QUrl(QStringLiteral("qrc:/qml/Quillbox/") + QLatin1String(file)));
        QCOMPARE(m_window->status(), QQuickView::Ready);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    bool isExempt(const QString &text) const
    {
        static const QRegularExpression letter(QStringLiteral("\\p{L}"));
        // Line by line (a combined preview joins items): a part of a datum, such as a file's name or
        // folder, or nothing but data, numbers and symbols.
        for (const QString &line : text.split(u'\n')) {
            QString rest = line;
            bool part = false;
            for (const QString &datum : m_userData) {
                part = part || datum.contains(line);
                rest.remove(datum);
            }
            if (!part && rest.contains(letter))
                return false;
        }
        return true;
    }

    // Waits for a frame drawn after now, then notes every visible text without the marks, saying where.
    void collect(const QString &where)
    {
        bool drawn = false;
        QObject context;
        connect(m_window.get(), &QQuickWindow::frameSwapped, &context, [&drawn] { drawn = true; });
        m_window->update();
        QTRY_VERIFY(drawn);
        int translated = 0;
        std::function<void(QQuickItem *)> walk = [&](QQuickItem *item) {
            if (!item->isVisible())
                return;
            const bool isText
                = item->inherits("QQuickText") || item->inherits("QQuickTextInput") || item->inherits("QQuickTextEdit");
            if (isText) {
                QString shown = item->property("text").toString();
                if (shown.isEmpty())
                    shown = item->property("placeholderText").toString();
                translated += shown.contains(opening);
                const QString line = where + QStringLiteral(": ") + shown;
                if (!shown.isEmpty() && !shown.contains(opening) && !isExempt(shown) && !m_untranslated.contains(line))
                    m_untranslated.append(line);
            }
            for (QQuickItem *child : item->childItems())
                walk(child);
        };
        walk(m_window->contentItem());
        QVERIFY2(translated > 0, qPrintable(where)); // the walk saw the view
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QByteArray ts = pseudoTranslation(QStringLiteral(QUILLBOX_SOURCE_DIR "/translations/quillbox_ru.ts"));
        QVERIFY(!ts.isEmpty());
        QFile pseudo(m_dir.filePath(QStringLiteral("pseudo.ts")));
        QVERIFY(pseudo.open(QIODevice::WriteOnly));
        pseudo.write(ts);
        pseudo.close();
        const QString qm = m_dir.filePath(QStringLiteral("pseudo.qm"));
        QProcess lrelease;
        lrelease.start(QStringLiteral(QUILLBOX_LRELEASE), {QStringLiteral("-silent"), pseudo.fileName(), "-qm", qm});
        QVERIFY(lrelease.waitForFinished() && lrelease.exitCode() == 0);
        // In a language of its own whatever the machine's locale, as the program loads it.
        qputenv("QUILLBOX_TRANSLATION", QFile::encodeName(qm));
        Translations::install(*QCoreApplication::instance(), {"en-US"});
        QVERIFY(QCoreApplication::translate("TopBar", "Menu").startsWith(opening));
    }

    void init() { m_untranslated.clear(); }
    void cleanup()
    {
        m_window.reset();
        QVERIFY2(m_untranslated.isEmpty(), qPrintable("shown untranslated:\n" + m_untranslated.join('\n')));
    }

    void thePanelInEachState()
    {
        TemporaryStore store;
        store.open();
        ClipCategory::insertDefaults(store.context());
        auto work = store.addCategory(QStringLiteral("Work"));
        for (int i = 0; i < PasteTemplate::defaults.size(); ++i)
            store.context().insert(PasteTemplate::create(PasteTemplate::defaults.at(i), i, i == 1));
        const QString app = QStringLiteral("xterm");
        store.add(QStringLiteral("plain text"), ClipboardItemType::text, true, {}, app);
        store.add(QStringLiteral("https://example.org/page"), ClipboardItemType::url, false, work->id(), app);
        store.add(QStringLiteral("file:///tmp/reports/q3.pdf"), ClipboardItemType::file);
        store.add(QStringLiteral("<b>rich</b> text"), ClipboardItemType::richText);
        store.context().insert(ClipboardItem::create(QString(), ClipboardItemType::image, solidPng(64, 48)));
        store.context().insert(ClipboardItem::create(QStringLiteral("/tmp/shots/shot.png"), ClipboardItemType::image));
        store.context().save();
        m_userData = {"zzzz", "plain text", "https://example.org/page", "file:///tmp/reports/q3.pdf",
            "<b>rich</b> text", "/tmp/shots/shot.png", app, "Work"};
        for (const auto &category : ClipCategory::defaults)
            m_userData << category.name;

        TemporaryPreferences settings;
        settings.preferences.setShowSourceApp(true);
        FakePasteboard pasteboard;
        ManualClock clock;
        AppActions actions;
        HistoryPause pause(settings.preferences, clock);
        ClipboardHistoryView view(store.context(), pasteboard, settings.preferences, actions, nullptr, clock);
        view.setHistoryPause(&pause);
        load("HistoryPanel.qml", {{"historyView", QVariant::fromValue(&view)}});
        m_window->engine()->addImageProvider(QStringLiteral("thumbnail"), new ThumbnailImageProvider(store.path()));
        view.resetState();
        const auto step = [&](const QString &where, auto action) {
            action();
            clock.advance(1000);
            collect(where);
        };
        step("the list", [] {});
        step("searching", [&] { view.openSearch(); });
        step("no results", [&] { view.filter()->setSearchText("zzzz"); });
        step("a category filters", [&] {
            view.filter()->setSearchText({});
            view.filter()->setSelectedFilterId(work->id().toString(QUuid::WithoutBraces));
        });
        step("the category search", [&] { view.triggerCategorySearch(); });
        step("editing", [&] {
            view.triggerCategorySearch();
            view.closeSearch();
            view.filter()->setSelectedFilterId({});
            view.startCreatingNew();
        });
        step("several chosen", [&] {
            view.cancelCreate();
            view.clickRow(0, Qt::ControlModifier);
            view.clickRow(1, Qt::ControlModifier);
        });
        step("combining", [&] { view.pasteSelection(); });
        step("paused, with a notice", [&] {
            view.cancelCombine();
            pause.pause(std::chrono::minutes(10));
            view.showCopyFailure(*view.filter()->filteredItems().first());
        });
        m_window.reset(); // before the controller it binds to

        TemporaryStore empty;
        empty.open();
        ClipboardHistoryView firstLaunch(empty.context(), pasteboard, settings.preferences, actions, nullptr, clock);
        load("HistoryPanel.qml", {{"historyView", QVariant::fromValue(&firstLaunch)}});
        firstLaunch.resetState();
        collect("the first launch");
        m_window.reset();
    }

    void theStoreProblem()
    {
        const QString file = QStringLiteral("/home/a/.local/share/Quillbox/Quillbox.sqlite");
        m_userData = {file};
        StoreProblemView problem(file, QString());
        load("StoreProblemPage.qml", {{"storeProblem", QVariant::fromValue(&problem)}});
        collect("the store problem");
        m_window.reset();
    }

    void everySettingsTab()
    {
        TemporaryStore store;
        store.open();
        ClipCategory::insertDefaults(store.context());
        TemporaryPreferences settings;
        ManualClock clock;
        HistoryLimit limit(store.context(), settings.preferences);
        AppActions actions;
        ListedLayouts layouts;
        SettingsView::Services services;
        services.preferences = &settings.preferences;
        services.clock = &clock;
        services.actions = &actions;
        services.context = &store.context();
        services.historyLimit = &limit;
        services.keyboardLayouts = &layouts;
        services.clipboardProtocol = QStringLiteral("ext-data-control-v1");
        BackendChoice choice;
        choice.gnomeExtension = GnomeExtensionState::State::disabled;
        GnomeExtensionView extension(choice.gnomeExtensionAdvice(), true, true, QStringLiteral("true"));
        services.gnomeExtension = &extension;
        DesktopShortcutsView shortcuts(HotkeyBindingInstructions::Desktop::gnome,
            HotkeyBindingInstructions::programBindings(KeyCombo::defaultCombo()), QStringLiteral("/usr/bin/quillbox"),
            [](const auto &) { return std::optional<QString>(); });
        services.desktopShortcuts = &shortcuts;
        HistoryPause pause(settings.preferences, clock);
        CopySourceFilter filter;
        NeverRecordedApplications neverRecorded(settings.preferences, filter);
        PrivacyView::Sources sources;
        sources.storePath = store.path();
        PrivacyView privacy(neverRecorded, pause, settings.preferences, sources);
        services.privacy = &privacy;
        SettingsView view(services);
        // What the desktop and the person name: layouts, applications, categories, the combination's keys.
        m_userData
            = {"English (US)", "Russian", "Quillbox", "ext-data-control-v1", KeyCombo::defaultCombo().displayString()};
        for (const auto &known : NeverRecordedApplications::defaults)
            m_userData << known.id << known.name;
        for (const auto &category : ClipCategory::defaults)
            m_userData << category.name;
        load("SettingsPage.qml", {{"settings", QVariant::fromValue(&view)}});
        for (int tab = 0; tab < 6; ++tab) {
            m_window->rootObject()->setProperty("currentTab", tab);
            collect(QStringLiteral("settings tab %1").arg(tab));
        }
        m_window.reset();
    }

    void everyWelcomePage()
    {
        BackendChoice choice;
        choice.gnomeExtension = GnomeExtensionState::State::disabled;
        GnomeExtensionView extension(choice.gnomeExtensionAdvice(), true, true, QStringLiteral("true"));
        OnboardingView::PasteSupport support;
        support.openKeyboardSettings = [] {};
        OnboardingView onboarding(support, {}, &extension);
        m_userData = {"Quillbox"};
        load("OnboardingPage.qml", {{"onboarding", QVariant::fromValue(&onboarding)}});
        for (int page = 0; page < onboarding.pageCount(); ++page) {
            collect(QStringLiteral("welcome page %1").arg(page));
            onboarding.goNext();
        }
        m_window.reset();
    }
};

QTEST_MAIN(TestPseudoTranslation)
#include "test_pseudo_translation.moc"
