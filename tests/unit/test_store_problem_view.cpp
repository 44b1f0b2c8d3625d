#include "ui/IconImageProvider.h"
#include "ui/panel/StoreProblemView.h"

#include <QQmlEngine>
#include <QQmlEngineExtensionPlugin>
#include <QQuickItem>
#include <QQuickView>
#include <QTest>

Q_IMPORT_QML_PLUGIN(QuillboxPlugin)

/// The panel's message about a store that cannot be opened, drawn by its QML.
class TestStoreProblemView : public QObject {
    Q_OBJECT

private slots:
    void showsTheFileAndTheReasonAsPlainText()
    {
        // File names are the person's: markup in them is shown, never interpreted.
        const QString file = "/home/a/<b>x</b> & y/Quillbox.sqlite";
        StoreProblemView problem(file, "it was written by a newer version of Quillbox (store version 9)");
        QQuickView view;
        QList<QQmlError> warnings;
        connect(view.engine(), &QQmlEngine::warnings, this, [&](const QList<QQmlError> &w) { warnings += w; });
        view.engine()->addImageProvider("icon", new IconImageProvider);
        view.setInitialProperties({{"storeProblem", QVariant::fromValue(&problem)}});
        view.setSource(QUrl("qrc:/qml/Quillbox/StoreProblemPage.qml"));
        QCOMPARE(view.status(), QQuickView::Ready);

        auto *shownFile = view.rootObject()->findChild<QQuickItem *>("storeFile");
        auto *shownReason = view.rootObject()->findChild<QQuickItem *>("storeReason");
        QVERIFY(shownFile && shownReason);
        QCOMPARE(shownFile->property("text").toString(), file);
        QCOMPARE(shownFile->property("textFormat").toInt(), int(Qt::PlainText));
        QCOMPARE(shownReason->property("text").toString(),
            "It was written by a newer version of Quillbox (store version 9).");
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.value(0).toString()));
    }
};

QTEST_MAIN(TestStoreProblemView)
#include "test_store_problem_view.moc"
