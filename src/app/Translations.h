#pragma once

#include <QStringList>

class QCoreApplication;

/// Quillbox's texts and Qt's own in the language of the desktop (LANGUAGE, LC_ALL, LC_MESSAGES, LANG).
/// Quillbox's translations are resources of the program (:/i18n/quillbox_<language>.qm); Qt's come from
/// Qt's translations folder.
namespace Translations {

/// The first of `uiLanguages` (most wanted first, as QLocale::uiLanguages gives them) that Quillbox is
/// translated to, as its file names it ("ru"); empty where English, the language the texts are written
/// in, comes first or none is translated.
QString chooseLanguage(const QStringList &uiLanguages);

/// Installs the translators for `uiLanguages` (the program passes QLocale::system()'s); QML engines
/// made afterwards use them. The environment variable QUILLBOX_TRANSLATION names a .qm file to load
/// instead of Quillbox's own (tests load a pseudo-translation with it).
void install(QCoreApplication &app, const QStringList &uiLanguages);

} // namespace Translations
