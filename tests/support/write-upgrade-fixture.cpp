// write-upgrade-fixture FOLDER: writes a store and a Quillbox.conf the way the program does, with
// something of every kind a person keeps (each item type, pins, an image, categories of their own, a
// recorded shortcut), for test_upgrade_store to open with a later build. The fixture in
// tests/fixtures/debian12 was written by the Debian 12 build (Qt 6.4, SQLite 3.40); run this there to
// write it again.
#include "app/DefaultDataSeeder.h"
#include "model/ClipCategory.h"
#include "model/ClipboardItem.h"
#include "model/ModelContainer.h"
#include "model/ModelContext.h"
#include "model/Preferences.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QImage>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: write-upgrade-fixture FOLDER\n", stderr);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(u"."_s)) {
        std::fputs("write-upgrade-fixture: cannot create the folder\n", stderr);
        return 1;
    }
    QString error;
    const auto store = ModelContainer::open(folder.filePath(u"Quillbox.sqlite"_s), &error);
    if (!store) {
        std::fprintf(stderr, "write-upgrade-fixture: %s\n", qPrintable(error));
        return 1;
    }
    ModelContext &context = store->mainContext();
    DefaultDataSeeder::seedCategories(context);
    DefaultDataSeeder::seedTemplates(context);
    const QDateTime start = QDateTime::fromString(u"2026-03-01T09:00:00.250Z"_s, Qt::ISODateWithMs);
    const auto own = ClipCategory::create(u"Ünïcode & «quotes»"_s, u"#3A7BD5"_s, u"star"_s, 99, false, start);
    context.insert(own);

    QImage image(64, 48, QImage::Format_ARGB32);
    image.fill(QColor(200, 40, 90, 180));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");

    struct Row {
        QString content;
        ClipboardItemType type;
        bool pinned;
        bool inOwnCategory;
    };
    const Row rows[] = {
        {u"plain words"_s, ClipboardItemType::text, false, false},
        {u"pinned note\nwith a second line\tand a tab"_s, ClipboardItemType::text, true, true},
        {u"https://example.org/path?q=ä%20b#frag"_s, ClipboardItemType::url, false, true},
        {u"file:///home/person/Documents/report%20final.pdf"_s, ClipboardItemType::file, true, false},
        {u"<b>bold</b> and <i>italic</i>"_s, ClipboardItemType::richText, false, false},
        {u"emoji 👩‍👩‍👧 ß İ ı 漢字"_s, ClipboardItemType::text, false, false},
        {u"Image 64 × 48"_s, ClipboardItemType::image, true, true},
    };
    int minute = 0;
    for (const Row &row : rows) {
        const auto item = ClipboardItem::create(row.content, row.type,
            row.type == ClipboardItemType::image ? std::optional(png) : std::nullopt, u"Text Editor"_s,
            u"org.example.Editor"_s, row.pinned, std::nullopt, start.addSecs(60 * ++minute));
        if (row.inOwnCategory)
            item->setCategoryId(own->id());
        context.insert(item);
    }
    if (!context.saveBeforeClosing()) {
        std::fputs("write-upgrade-fixture: the store refused the items\n", stderr);
        return 1;
    }

    Preferences preferences(folder.filePath(u"Quillbox.conf"_s));
    preferences.setValue(Preferences::Key::maxHistoryCount, 250);
    preferences.setValue(Preferences::Key::showSourceApp, false);
    preferences.setValue(Preferences::Key::playSoundOnCopy, true);
    preferences.setValue(Preferences::Key::borderColorHex, u"#22AA88"_s);
    preferences.setValue(Preferences::Key::categorySearchKey, u"slash"_s);
    preferences.setValue(Preferences::Key::enableLanguageFix, false);
    preferences.setValue(Preferences::Key::hasSeenOnboarding, true);
    preferences.setValue(Preferences::Key::hotkeyCombo, QByteArray(R"({"keyCode":11,"modifiers":768})"));
    preferences.setValue(Preferences::Key::terminalPasteChords, u"kitty:ctrl+shift+v"_s);
    return 0;
}
