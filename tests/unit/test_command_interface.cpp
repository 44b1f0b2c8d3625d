#include "FakePasteboard.h"
#include "FakeWorkspace.h"
#include "app/AppDelegate.h"
#include "app/CommandInterface.h"
#include "capture/PasteboardItem.h"
#include "model/ClipboardItem.h"
#include "model/ModelContainer.h"
#include "model/ModelContext.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

class TestCommandInterface : public QObject {
    Q_OBJECT

    QTemporaryDir m_dataHome;
    FakePasteboard m_pasteboard;
    FakeWorkspace m_workspace;
    std::unique_ptr<AppDelegate> m_delegate;
    CommandInterface m_commands;
    QDateTime m_time = QDateTime::fromSecsSinceEpoch(1'800'000'000, Qt::UTC);

    ModelContext &context() { return m_delegate->modelContainer()->mainContext(); }

    // Items are a minute apart, each newer than the one before.
    std::shared_ptr<ClipboardItem> add(const QString &content, ClipboardItemType type = ClipboardItemType::text,
        bool pinned = false, std::optional<QString> app = {})
    {
        m_time = m_time.addSecs(60);
        auto item = ClipboardItem::create(content, type, std::nullopt, app, std::nullopt, pinned, {}, m_time);
        context().insert(item);
        context().save();
        return item;
    }

    static QJsonArray json(const CommandInterface::Reply &reply)
    {
        if (!reply.error.isEmpty())
            qWarning() << "refused:" << reply.error;
        return QJsonDocument::fromJson(reply.value.toUtf8()).array();
    }
    static QStringList contents(const CommandInterface::Reply &reply)
    {
        QStringList list;
        for (const auto &item : json(reply))
            list.append(item.toObject().value("content").toString());
        return list;
    }
    static QString idText(const std::shared_ptr<ClipboardItem> &item)
    {
        return item->id().toString(QUuid::WithoutBraces);
    }
    QString clipboardText() const
    {
        return m_pasteboard.string().value_or(QString());
    }

private slots:
    void init()
    {
        QVERIFY(m_dataHome.isValid());
        QDir(m_dataHome.filePath("Quillbox")).removeRecursively();
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dataHome.path()));
        m_delegate = std::make_unique<AppDelegate>(m_pasteboard, m_workspace);
        m_delegate->applicationDidFinishLaunching();
        QVERIFY(m_delegate->modelContainer());
        m_commands.attach(*m_delegate, m_pasteboard);
    }
    void cleanup()
    {
        m_delegate->applicationWillTerminate();
        m_delegate.reset();
    }

    void listsNewestFirstWithFiltersAndLimit()
    {
        add("oldest");
        add("https://example.org", ClipboardItemType::url, true);
        add("middle", ClipboardItemType::text, true);
        add("newest");
        QCOMPARE(contents(m_commands.list(0, {}, false)),
            QStringList({"newest", "middle", "https://example.org", "oldest"}));
        QCOMPARE(contents(m_commands.list(2, {}, false)), QStringList({"newest", "middle"}));
        QCOMPARE(contents(m_commands.list(0, "url", false)), QStringList({"https://example.org"}));
        QCOMPARE(contents(m_commands.list(0, {}, true)), QStringList({"middle", "https://example.org"}));
        QCOMPARE(contents(m_commands.list(0, "text", true)), QStringList({"middle"}));
    }

    void itemsCopiedInTheSameInstantListTheLastStoredFirst()
    {
        const QDateTime same = m_time;
        for (const char *content : {"first", "second", "third"})
            context().insert(ClipboardItem::create(content, ClipboardItemType::text, {}, {}, {}, false, {}, same));
        QCOMPARE(contents(m_commands.list(0, {}, false)), QStringList({"third", "second", "first"}));
    }

    void jsonCarriesEveryFieldButTheImageBytes()
    {
        const auto item = add("hello", ClipboardItemType::text, true, QString("Text Editor"));
        const QJsonObject object = json(m_commands.list(0, {}, false)).first().toObject();
        QCOMPARE(object.value("id").toString(), idText(item));
        QCOMPARE(object.value("type").toString(), "text");
        QCOMPARE(object.value("isPinned").toBool(), true);
        QCOMPARE(object.value("sourceAppName").toString(), "Text Editor");
        QVERIFY(object.value("sourceAppBundleId").isNull());
        QCOMPARE(object.value("characterCount").toInt(), 5);
        QCOMPARE(QDateTime::fromString(object.value("createdAt").toString(), Qt::ISODateWithMs), item->createdAt());
        QVERIFY(object.contains("categoryId"));
        QCOMPARE(object.value("hasImageData").toBool(), false);
        QVERIFY(!object.contains("imageData"));
    }

    void refusesWhatItCannotList()
    {
        QVERIFY(m_commands.list(0, "picture", false).error.contains("picture"));
        QVERIFY(!m_commands.list(-1, {}, false).error.isEmpty());
        QVERIFY(!m_commands.search({}, 0).error.isEmpty());
    }

    // The panel's rule: the content or the source program's name, case ignored, in any script.
    void searchFindsWhatThePanelFinds()
    {
        add("Grüße aus Köln");
        add("unrelated", ClipboardItemType::text, false, QString("KeePassXC"));
        add("ПРИВЕТ мир");
        add("nothing here");
        QCOMPARE(contents(m_commands.search("GRÜßE AUS", 0)), QStringList({"Grüße aus Köln"}));
        QCOMPARE(contents(m_commands.search("привет", 0)), QStringList({"ПРИВЕТ мир"}));
        QCOMPARE(contents(m_commands.search("keepass", 0)), QStringList({"unrelated"}));
        QCOMPARE(contents(m_commands.search("e", 2)), QStringList({"nothing here", "unrelated"}));
    }

    void addStoresLikeACopy()
    {
        const auto first = m_commands.add("  https://example.org/page  ");
        QVERIFY2(first.error.isEmpty(), qPrintable(first.error));
        const QJsonObject link = json(m_commands.list(0, {}, false)).first().toObject();
        QCOMPARE(link.value("id").toString(), first.value);
        QCOMPARE(link.value("type").toString(), "url");
        QCOMPARE(link.value("content").toString(), "https://example.org/page");
        QVERIFY(!link.value("categoryId").isNull());

        // A repeat replaces the earlier item at the top, keeping its pin.
        const auto text = m_commands.add("note");
        for (const auto &item : context().fetch<ClipboardItem>()) {
            if (item->content() == "note")
                item->setPinned(true);
        }
        const auto again = m_commands.add("note");
        QVERIFY(again.value != text.value);
        const QJsonArray items = json(m_commands.list(0, {}, false));
        QCOMPARE(items.size(), 2);
        QCOMPARE(items.first().toObject().value("id").toString(), again.value);
        QCOMPARE(items.first().toObject().value("isPinned").toBool(), true);
    }

    void addRefusesBlankText()
    {
        QVERIFY(!m_commands.add(" \n\t").error.isEmpty());
        QVERIFY(m_commands.add(" \n\t").value.isEmpty());
        QCOMPARE(context().count<ClipboardItem>(), 0);
    }

    void copiesByPositionAndById()
    {
        const auto older = add("older");
        add("newer");
        const auto byPosition = m_commands.copy("2");
        QCOMPARE(byPosition.value, idText(older));
        QCOMPARE(clipboardText(), "older");
        const auto byId = m_commands.copy(idText(context().fetch<ClipboardItem>().last()));
        QVERIFY2(byId.error.isEmpty(), qPrintable(byId.error));
        QCOMPARE(clipboardText(), "newer");
        // Braces and lower or upper case: a UUID however a script spells it.
        const auto spelled = m_commands.copy(older->id().toString().toUpper());
        QVERIFY2(spelled.error.isEmpty(), qPrintable(spelled.error));
        QCOMPARE(clipboardText(), "older");
    }

    void copyRefusesWhatNamesNoItem_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("reason");
        QTest::newRow("zero") << "0"
                              << "positions start at 1";
        QTest::newRow("negative") << "-1"
                                  << "positions start at 1";
        QTest::newRow("past the end") << "3"
                                      << "holds 2 items";
        QTest::newRow("unknown id") << QUuid::createUuid().toString(QUuid::WithoutBraces) << "no item has the id";
        QTest::newRow("neither") << "newest"
                                 << "neither a position";
    }
    void copyRefusesWhatNamesNoItem()
    {
        QFETCH(QString, item);
        QFETCH(QString, reason);
        add("a");
        add("b");
        const qint64 before = m_pasteboard.changeCount();
        const auto reply = m_commands.copy(item);
        QVERIFY2(reply.error.contains(reason), qPrintable(reply.error));
        QCOMPARE(m_pasteboard.changeCount(), before);
    }

    void refusesEverythingWithoutAStore()
    {
        CommandInterface detached;
        QCOMPARE(detached.list(0, {}, false).error, "Quillbox is still starting");
        QVERIFY(!detached.copy("1").error.isEmpty());
        QVERIFY(!detached.add("text").error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCommandInterface)
#include "test_command_interface.moc"
