#include "app/Translations.h"
#include "ui/panel/ClipboardItemRow.h"
#include "ui/panel/HistoryFilter.h"

#include <QCoreApplication>
#include <QScopeGuard>
#include <QTest>
#include <QTranslator>

/// Counts read right in English and in every Russian form, and the desktop's language list picks the
/// translation shown.
class TestTranslations : public QObject {
    Q_OBJECT

private slots:
    void countsKeepTheirEnglishAndTakeEveryRussianForm()
    {
        // Without a translation, as before translations existed: the program's English.
        QCOMPARE(HistoryFilter::resultsText(1), QStringLiteral("1 item"));
        QCOMPARE(HistoryFilter::resultsText(4), QStringLiteral("4 items"));
        QCOMPARE(HistoryFilter::resultsText(0), QStringLiteral("0 items"));

        QTranslator russian;
        QVERIFY(russian.load(QStringLiteral(":/i18n/quillbox_ru.qm")));
        QVERIFY(QCoreApplication::installTranslator(&russian));
        const auto remove = qScopeGuard([&russian] { QCoreApplication::removeTranslator(&russian); });
        const std::pair<int, const char *> forms[] = {{1, "1 элемент"}, {2, "2 элемента"}, {4, "4 элемента"},
            {5, "5 элементов"}, {11, "11 элементов"}, {12, "12 элементов"}, {21, "21 элемент"}, {22, "22 элемента"},
            {0, "0 элементов"}, {111, "111 элементов"}};
        for (const auto &[count, text] : forms)
            QCOMPARE(HistoryFilter::resultsText(count), QString::fromUtf8(text));
        // A text with a value inside keeps it.
        const QDateTime now = QDateTime::currentDateTime();
        QCOMPARE(ClipboardItemRow::relativeDisplay(now.addSecs(-300), now), QString::fromUtf8("5 мин"));
    }

    void theFirstWantedLanguageWithATranslationIsShown_data()
    {
        QTest::addColumn<QStringList>("uiLanguages");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("Russian") << QStringList{"ru-RU"} << "ru";
        QTest::newRow("language alone") << QStringList{"ru"} << "ru";
        QTest::newRow("another country") << QStringList{"ru-UA", "ru"} << "ru";
        QTest::newRow("untranslated first") << QStringList{"de-DE", "ru-RU"} << "ru";
        // English is what the texts are written in: asked for first, it wins over a translation.
        QTest::newRow("English first") << QStringList{"en-GB", "ru-RU"} << "";
        QTest::newRow("untranslated only") << QStringList{"de-DE", "fr"} << "";
        QTest::newRow("C locale") << QStringList{"C"} << "";
        QTest::newRow("none") << QStringList{} << "";
    }
    void theFirstWantedLanguageWithATranslationIsShown()
    {
        QFETCH(QStringList, uiLanguages);
        QFETCH(QString, chosen);
        QCOMPARE(Translations::chooseLanguage(uiLanguages), chosen);
    }

    // Last: the translators it installs stay.
    void installingBringsQuillboxAndQtInTheLanguage()
    {
        qunsetenv("QUILLBOX_TRANSLATION");
        Translations::install(*QCoreApplication::instance(), {"ru-RU"});
        QCOMPARE(HistoryFilter::resultsText(5), QString::fromUtf8("5 элементов"));
        // Qt's own texts, from qtbase_ru.qm.
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString::fromUtf8("Отмена"));
    }
};

QTEST_GUILESS_MAIN(TestTranslations)
#include "test_translations.moc"
