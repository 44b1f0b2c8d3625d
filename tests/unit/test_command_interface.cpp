#include "FakePasteboard.h"
#include "FakeWorkspace.h"
#include "app/AppDelegate.h"
#include "app/CommandInterface.h"
#include "app/SubmittedText.h"
#include "capture/PasteboardItem.h"
#include "model/ClipboardItem.h"
#include "model/ModelContainer.h"
#include "model/ModelContext.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QTimeZone>

#include <sys/mman.h>
#include <unistd.h>

class TestCommandInterface : public QObject {
    Q_OBJECT

    QTemporaryDir m_dataHome;
    FakePasteboard m_pasteboard;
    FakeWorkspace m_workspace;
    std::unique_ptr<AppDelegate> m_delegate;
    std::unique_ptr<CommandInterface> m_commands;
    QDateTime m_time = QDateTime::fromSecsSinceEpoch(1'800'000'000, QTimeZone::utc());

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
    QString clipboardText() const { return m_pasteboard.string().value_or(QString()); }

    // The answer of a command that answers later, once it came.
    static CommandInterface::Reply await(const std::function<void(CommandInterface::Answer)> &command)
    {
        auto reply = std::make_shared<std::optional<CommandInterface::Reply>>();
        command([reply](const CommandInterface::Reply &answer) { *reply = answer; });
        if (!QTest::qWaitFor([&] { return reply->has_value(); }, 10000))
            return {{}, QStringLiteral("no answer")};
        return **reply;
    }
    CommandInterface::Reply addThrough(CommandInterface &commands, const QByteArray &text)
    {
        return await([&](CommandInterface::Answer answer) { commands.add(text, std::move(answer)); });
    }
    CommandInterface::Reply addText(const QString &text) { return addThrough(*m_commands, text.toUtf8()); }
    CommandInterface::Reply copy(const QString &item)
    {
        return await([&](CommandInterface::Answer answer) { m_commands->copy(item, std::move(answer)); });
    }
    CommandInterface::Reply addFromFile(int fd)
    {
        return await([&](CommandInterface::Answer answer) {
            m_commands->addFromFile(QDBusUnixFileDescriptor(fd), std::move(answer));
        });
    }
    // A sealed anonymous file, as the command line hands one over.
    static int memoryFile(const QByteArray &bytes)
    {
        const int fd = ::memfd_create("test", MFD_CLOEXEC);
        if (fd >= 0
            && (::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size() || ::lseek(fd, 0, SEEK_SET) != 0))
            return -1;
        return fd;
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
        m_commands = std::make_unique<CommandInterface>();
        m_commands->attach(*m_delegate, m_pasteboard);
    }
    void cleanup()
    {
        if (m_delegate)
            m_delegate->applicationWillTerminate();
        m_delegate.reset();
        m_commands.reset();
    }

    void listsNewestFirstWithFiltersAndLimit()
    {
        add("oldest");
        add("https://example.org", ClipboardItemType::url, true);
        add("middle", ClipboardItemType::text, true);
        add("newest");
        QCOMPARE(contents(m_commands->list(0, {}, false)),
            QStringList({"newest", "middle", "https://example.org", "oldest"}));
        QCOMPARE(contents(m_commands->list(2, {}, false)), QStringList({"newest", "middle"}));
        QCOMPARE(contents(m_commands->list(0, "url", false)), QStringList({"https://example.org"}));
        QCOMPARE(contents(m_commands->list(0, {}, true)), QStringList({"middle", "https://example.org"}));
        QCOMPARE(contents(m_commands->list(0, "text", true)), QStringList({"middle"}));
    }

    void itemsCopiedInTheSameInstantListTheLastStoredFirst()
    {
        const QDateTime same = m_time;
        for (const char *content : {"first", "second", "third"})
            context().insert(ClipboardItem::create(content, ClipboardItemType::text, {}, {}, {}, false, {}, same));
        QCOMPARE(contents(m_commands->list(0, {}, false)), QStringList({"third", "second", "first"}));
    }

    void jsonCarriesEveryFieldButTheImageBytes()
    {
        const auto item = add("hello", ClipboardItemType::text, true, QString("Text Editor"));
        const QJsonObject object = json(m_commands->list(0, {}, false)).first().toObject();
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
        QVERIFY(m_commands->list(0, "picture", false).error.contains("picture"));
        QVERIFY(!m_commands->list(-1, {}, false).error.isEmpty());
        QVERIFY(!m_commands->search({}, 0).error.isEmpty());
    }

    // The panel's rule: the content or the source program's name, case ignored, in any script.
    void searchFindsWhatThePanelFinds()
    {
        add("Grüße aus Köln");
        add("unrelated", ClipboardItemType::text, false, QString("KeePassXC"));
        add("ПРИВЕТ мир");
        add("nothing here");
        QCOMPARE(contents(m_commands->search("GRÜßE AUS", 0)), QStringList({"Grüße aus Köln"}));
        QCOMPARE(contents(m_commands->search("привет", 0)), QStringList({"ПРИВЕТ мир"}));
        QCOMPARE(contents(m_commands->search("keepass", 0)), QStringList({"unrelated"}));
        QCOMPARE(contents(m_commands->search("e", 2)), QStringList({"nothing here", "unrelated"}));
    }

    void addStoresLikeACopy()
    {
        const auto first = addText("  https://example.org/page  ");
        QVERIFY2(first.error.isEmpty(), qPrintable(first.error));
        const QJsonObject link = json(m_commands->list(0, {}, false)).first().toObject();
        QCOMPARE(link.value("id").toString(), first.value);
        QCOMPARE(link.value("type").toString(), "url");
        QCOMPARE(link.value("content").toString(), "https://example.org/page");
        QVERIFY(!link.value("categoryId").isNull());

        // A repeat replaces the earlier item at the top, keeping its pin and its id.
        const auto text = addText("note");
        for (const auto &item : context().fetch<ClipboardItem>()) {
            if (item->content() == "note")
                item->setPinned(true);
        }
        addText("other");
        const auto again = addText("note");
        QCOMPARE(again.value, text.value);
        const QJsonArray items = json(m_commands->list(0, {}, false));
        QCOMPARE(items.size(), 3);
        QCOMPARE(items.first().toObject().value("id").toString(), again.value);
        QCOMPARE(items.first().toObject().value("isPinned").toBool(), true);
    }

    // A script may use an id it was given again: fifty additions of one text are one item, one id.
    void addAnswersAnIdThatStaysValid()
    {
        const QString id = addText("the same text").value;
        for (int i = 0; i < 50; ++i)
            QCOMPARE(addText("the same text").value, id);
        QCOMPARE(context().count<ClipboardItem>(), 1);
        QCOMPARE(copy(id).value, id);
    }

    void addRefusesBlankText()
    {
        QVERIFY(!addText(" \n\t").error.isEmpty());
        QVERIFY(addText(" \n\t").value.isEmpty());
        QCOMPARE(context().count<ClipboardItem>(), 0);
    }

    // Text too large for one bus message comes as a file, read off the GUI thread with the bounds
    // and rules of standard input; anything but a file is refused before it is read.
    void addFromFileReadsOnlyTextFromFiles()
    {
        const QByteArray large = QByteArray(3 * 1024 * 1024, 'x') + "\xf0\x9f\x91\x8d";
        const auto added = addFromFile(memoryFile(large));
        QVERIFY2(added.error.isEmpty(), qPrintable(added.error));
        const auto item = context().newestItem(ItemText(QString::fromUtf8(large)), ClipboardItemType::text);
        QVERIFY(item);
        QCOMPARE(item->id().toString(QUuid::WithoutBraces), added.value);

        QCOMPARE(addFromFile(memoryFile(QByteArray("a\0b", 3))).error, "the file is not text: byte 2 is a NUL");
        QTemporaryFile sparse;
        QVERIFY(sparse.open() && sparse.resize(SubmittedText::maxBytes + 1));
        QCOMPARE(addFromFile(sparse.handle()).error, "the file holds more than 256 MB, the most one copy may hold");

        int pipe[2];
        QVERIFY(::pipe(pipe) == 0);
        // The writing end stays open: reading the pipe would never end.
        QCOMPARE(addFromFile(pipe[0]).error,
            "the descriptor is not a file: the text is read from a regular file or a memfd");
        ::close(pipe[0]);
        ::close(pipe[1]);
        QCOMPARE(context().count<ClipboardItem>(), 1);
    }

    // What the list would carry must fit one bus message with room to spare.
    void listsTooLargeForOneMessageAreRefused()
    {
        add("small");
        add(QString(CommandInterface::maxAnswerBytes + 1, u'x'));
        const auto all = m_commands->list(0, {}, false);
        QVERIFY(all.tooLarge);
        QVERIFY2(all.error.contains("larger than 32 MB"), qPrintable(all.error));
        QVERIFY(m_commands->search("x", 0).tooLarge);
        QCOMPARE(contents(m_commands->search("small", 0)), QStringList{"small"});
    }

    void copiesByPositionAndById()
    {
        const auto older = add("older");
        add("newer");
        const auto byPosition = copy("2");
        QCOMPARE(byPosition.value, idText(older));
        QCOMPARE(clipboardText(), "older");
        const auto byId = copy(idText(context().fetch<ClipboardItem>().first()));
        QVERIFY2(byId.error.isEmpty(), qPrintable(byId.error));
        QCOMPARE(clipboardText(), "newer");
        // Braces and lower or upper case: a UUID however a script spells it.
        const auto spelled = copy(older->id().toString().toUpper());
        QVERIFY2(spelled.error.isEmpty(), qPrintable(spelled.error));
        QCOMPARE(clipboardText(), "older");
    }

    // The write is captured like a copy: the answer comes once that is done, with the id of what it
    // stored: the item under its own id, or the one it became when it reads differently on the way back.
    void copyAnswersTheIdOfTheItemOnceCaptured()
    {
        const auto note = add("a note");
        add("newer");
        const auto copied = copy(idText(note));
        QCOMPARE(copied.value, idText(note));
        QVERIFY(!note->modelContext()); // replaced by the capture, under the same id
        QCOMPARE(context().newestItem(ItemText(QStringLiteral("a note")), ClipboardItemType::text)->id(), note->id());
        QCOMPARE(context().count<ClipboardItem>(), 2);

        const auto link = add("  https://example.org  ", ClipboardItemType::text);
        const auto asLink = copy(idText(link));
        QVERIFY(asLink.value != idText(link));
        const auto captured
            = context().newestItem(ItemText(QStringLiteral("https://example.org")), ClipboardItemType::url);
        QVERIFY(captured);
        QCOMPARE(idText(captured), asLink.value);
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
        const auto reply = copy(item);
        QVERIFY2(reply.error.contains(reason), qPrintable(reply.error));
        QCOMPARE(m_pasteboard.changeCount(), before);
    }

    void refusesEverythingWithoutAStore()
    {
        CommandInterface detached;
        QCOMPARE(detached.list(0, {}, false).error, "Quillbox is still starting");
        QVERIFY(!await([&](auto answer) { detached.copy("1", answer); }).error.isEmpty());
        QVERIFY(!addThrough(detached, "text").error.isEmpty());
    }

    // From the start of quitting every call is refused with the reason, and what was accepted before
    // (a text still being read included) is stored and answered before the last save.
    void quittingStoresWhatWasAcceptedAndRefusesTheRest()
    {
        std::optional<CommandInterface::Reply> accepted;
        m_commands->addFromFile(QDBusUnixFileDescriptor(memoryFile(QByteArray(2 * 1024 * 1024, 'q'))),
            [&](const CommandInterface::Reply &reply) { accepted = reply; });
        m_commands->beginQuitting();
        QCOMPARE(addText("too late").error, "Quillbox is quitting");
        QCOMPARE(m_commands->list(0, {}, false).error, "Quillbox is quitting");
        QCOMPARE(copy("1").error, "Quillbox is quitting");
        m_delegate->applicationWillTerminate();
        QVERIFY(accepted);
        QVERIFY2(accepted->error.isEmpty(), qPrintable(accepted->error));

        m_delegate.reset();
        QString error;
        const auto stored = ModelContainer::openForReading(ModelContainer::defaultPath(), &error);
        QVERIFY2(stored, qPrintable(error));
        const auto items = stored->mainContext().fetch<ClipboardItem>();
        QCOMPARE(items.size(), 1);
        QCOMPARE(idText(items.first()), accepted->value);
    }
};

QTEST_GUILESS_MAIN(TestCommandInterface)
#include "test_command_interface.moc"
