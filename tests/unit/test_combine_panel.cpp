#include "ManualClock.h"
#include "TemporaryStore.h"
#include "ui/panel/CombinePanel.h"

#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

namespace {

using Items = QList<std::shared_ptr<ClipboardItem>>;

Items texts(const QStringList &contents)
{
    Items items;
    for (const QString &content : contents)
        items.append(ClipboardItem::create(content, ClipboardItemType::text));
    return items;
}

struct Harness {
    TemporaryStore store;
    ManualClock clock;
    QStringList pasted;
    int cancels = 0;

    explicit Harness(bool withTemplates = true)
    {
        store.open();
        if (withTemplates)
            PasteTemplate::insertDefaults(store.context());
    }
    std::unique_ptr<CombinePanel> panel(const Items &items)
    {
        auto panel = std::make_unique<CombinePanel>(store.context(), items, clock);
        QObject::connect(
            panel.get(), &CombinePanel::pasteRequested, [this](const QString &text) { pasted.append(text); });
        QObject::connect(panel.get(), &CombinePanel::cancelRequested, [this] { ++cancels; });
        panel->shown();
        return panel;
    }
    QString templateName(const CombinePanel &panel) const
    {
        const auto selected = panel.selectedTemplate();
        return selected ? selected->name() : QString();
    }
};

class KeyCountingWindow : public QWindow {
public:
    int keyPresses = 0;

protected:
    void keyPressEvent(QKeyEvent *) override { ++keyPresses; }
};

void press(QWindow &window, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(&window, &event);
}

} // namespace

class TestCombinePanel : public QObject {
    Q_OBJECT

private slots:
    void opensOnNewLineAndArrowsWrap()
    {
        Harness h;
        auto panel = h.panel(texts({"a", "b", "c"}));
        QCOMPARE(h.templateName(*panel), "New Line");
        QCOMPARE(panel->selectedTemplateIndex(), -1);
        QCOMPARE(panel->preview(), "a\nb\nc");

        panel->previousTemplate();
        QCOMPARE(h.templateName(*panel), "Comma");
        QCOMPARE(panel->preview(), "a, b, c");

        panel->previousTemplate();
        QCOMPARE(h.templateName(*panel), "SQL IN");
        QCOMPARE(panel->preview(), "('a', 'b', 'c')");

        panel->nextTemplate();
        for (int i = 0; i < panel->templateNames().size(); ++i)
            panel->nextTemplate();
        QCOMPARE(h.templateName(*panel), "Comma");
        QCOMPARE(panel->preview(), "a, b, c");

        panel->clickChip(int(panel->templateNames().indexOf("Numbered")));
        QCOMPARE(panel->preview(), "1. a\n2. b\n3. c");
        panel->clickChip(int(panel->templateNames().indexOf("JSON Array")));
        QCOMPARE(panel->preview(), "[\"a\", \"b\", \"c\"]");
    }

    void itemTextsFollowTheType()
    {
        Harness h;
        const Items items = {
            ClipboardItem::create("file:///tmp/My%20Report.pdf", ClipboardItemType::file),
            ClipboardItem::create("file:///home/u/Stra%C3%9Fe/", ClipboardItemType::file),
            ClipboardItem::create("file:///tmp/bad%ZZname.txt", ClipboardItemType::file),
            ClipboardItem::create("file:///tmp/latin%E9.txt", ClipboardItemType::file),
            ClipboardItem::create("/home/u/Pictures/shot.png", ClipboardItemType::image),
            ClipboardItem::create("Image (12 KB)", ClipboardItemType::image),
            ClipboardItem::create("  \n  some text \n\n", ClipboardItemType::text),
            ClipboardItem::create("\thttps://example.com/a b \n", ClipboardItemType::url),
            ClipboardItem::create("\n rich \n", ClipboardItemType::richText),
        };
        auto panel = h.panel(items);
        QCOMPARE(panel->itemTexts(),
            QStringList({"My Report.pdf", "Straße", "bad%ZZname.txt", "latin%E9.txt", "shot.png", "Image (12 KB)",
                "some text", "https://example.com/a b", "rich"}));

        auto files = h.panel({items.at(0), items.at(1)});
        files->previousTemplate();
        QCOMPARE(files->preview(), "My Report.pdf, Straße");
    }

    void withoutTemplatesItemsGoOnePerLine()
    {
        Harness h(false);
        auto panel = h.panel(texts({" a ", "b"}));
        QVERIFY(panel->templateNames().isEmpty());
        QVERIFY(!panel->selectedTemplate());
        QCOMPARE(panel->preview(), "a\nb");
        panel->nextTemplate();
        panel->previousTemplate();
        QCOMPARE(panel->selectedTemplateIndex(), -1);
        panel->paste();
        QCOMPARE(h.pasted, QStringList{"a\nb"});
    }

    void templateChangesInTheStoreLeaveThePreview()
    {
        Harness h;
        auto panel = h.panel(texts({"a", "b"}));
        QSignalSpy templatesChanged(panel.get(), &CombinePanel::templatesChanged);
        h.store.context().insert(PasteTemplate::create({"Pipe", " | ", "", "", "", ""}, 10, false));
        QCOMPARE(templatesChanged.count(), 1);
        QCOMPARE(panel->templateNames().last(), "Pipe");
        QCOMPARE(panel->preview(), "a\nb");
    }

    void keysAreSwallowedAndQueued()
    {
        Harness h;
        KeyCountingWindow window;
        auto panel = h.panel(texts({"a", "b"}));

        press(window, Qt::Key_Left, Qt::ShiftModifier);
        QCOMPARE(h.templateName(*panel), "New Line"); // queued, not run inside the monitor
        h.clock.advance(0);
        QCOMPARE(h.templateName(*panel), "Comma");

        press(window, Qt::Key_Return, Qt::ControlModifier);
        press(window, Qt::Key_Right);
        h.clock.advance(0);
        // Return's action ran before Right's, with the preview of that moment.
        QCOMPARE(h.pasted, QStringList{"a, b"});
        QCOMPARE(h.templateName(*panel), "New Line");

        press(window, Qt::Key_Escape);
        press(window, Qt::Key_A);
        h.clock.advance(0);
        QCOMPARE(h.cancels, 1);
        QCOMPARE(h.pasted.size(), 1);
        QCOMPARE(window.keyPresses, 1); // only the A got through

        // Keys for items inside the window are not counted a second time.
        QObject item;
        QKeyEvent event(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(&item, &event);
        h.clock.advance(0);
        QCOMPARE(h.cancels, 1);

        panel.reset();
        press(window, Qt::Key_Escape);
        h.clock.advance(0);
        QCOMPARE(h.cancels, 1);
    }

    void monitorReportsWhichKeysItTakes()
    {
        Harness h;
        auto panel = h.panel(texts({"a"}));
        // The queued paste of a removed panel does nothing.
        QVERIFY(panel->monitorKeyDown(Qt::Key_Enter));
        QVERIFY(!panel->monitorKeyDown(Qt::Key_Up));
        QVERIFY(!panel->monitorKeyDown(Qt::Key_Tab));
        panel.reset();
        h.clock.advance(0);
        QVERIFY(h.pasted.isEmpty());
    }
};

QTEST_MAIN(TestCombinePanel)
#include "test_combine_panel.moc"
