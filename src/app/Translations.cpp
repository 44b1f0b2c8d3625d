#include "Translations.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QTranslator>

Q_LOGGING_CATEGORY(lcTranslations, "quillbox.translations", QtInfoMsg)

namespace {

const QString ownFolder = QStringLiteral(":/i18n");

bool hasOwnTranslation(const QString &name)
{
    return QFile::exists(ownFolder + QStringLiteral("/quillbox_") + name + QStringLiteral(".qm"));
}

bool installTranslator(QCoreApplication &app, const QString &file, const QString &folder = {})
{
    auto *translator = new QTranslator(&app);
    if (translator->load(file, folder) && QCoreApplication::installTranslator(translator)) {
        qCDebug(lcTranslations) << "loaded" << translator->filePath();
        return true;
    }
    delete translator;
    return false;
}

} // namespace

QString Translations::chooseLanguage(const QStringList &uiLanguages)
{
    for (const QString &uiLanguage : uiLanguages) {
        // Also before a translated language: "LANGUAGE=en_GB:ru" asks for English first.
        const QLocale::Language language = QLocale(uiLanguage).language();
        if (language == QLocale::English || language == QLocale::C)
            return {};
        // "sr-Latn-RS", then "sr_Latn", then "sr".
        for (QString name = QString(uiLanguage).replace(u'-', u'_'); !name.isEmpty();
             name.truncate(qMax(0, int(name.lastIndexOf(u'_'))))) {
            if (hasOwnTranslation(name))
                return name;
        }
    }
    return {};
}

void Translations::install(QCoreApplication &app, const QStringList &uiLanguages)
{
    const QString language = chooseLanguage(uiLanguages);
    const QString forced = qEnvironmentVariable("QUILLBOX_TRANSLATION");
    if (!forced.isEmpty()) {
        if (!installTranslator(app, forced))
            qCWarning(lcTranslations) << "cannot load the translation" << forced;
    } else if (!language.isEmpty()) {
        installTranslator(app, QStringLiteral("quillbox_") + language, ownFolder);
    }
    // Qt's own texts (a text field's menu, key names) in the same language, where Qt has them.
    if (!language.isEmpty())
        installTranslator(
            app, QStringLiteral("qtbase_") + language, QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}
