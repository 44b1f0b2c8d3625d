// What both clipboard readers share: the choice of what to read of an owner's offer, and what reading
// one change may cost. The readers themselves are tested against real owners in the integration tests.

#include "platform/ClipboardContent.h"
#include "platform/ClipboardReadBudget.h"

#include "TestImages.h"

#include <QTest>

namespace {

const QString hint = PasteboardItem::passwordHintFormat;
const QString text = QStringLiteral("text/plain;charset=utf-8");
const QString png = QStringLiteral("image/png");

} // namespace

class TestClipboardReading : public QObject {
    Q_OBJECT

private slots:
    void readsNothingOfACopyThatOffersTheHint()
    {
        QStringList asked;
        const auto read = [&](const QStringList &offered) {
            asked.clear();
            ClipboardContent content;
            content.read(offered, [&](const QString &format) -> std::optional<QByteArray> {
                asked.append(format);
                if (format == text)
                    return QByteArray("hunter2");
                return format == png ? std::optional(solidPng(4, 3)) : std::nullopt;
            });
            return content;
        };
        // Whatever value the owner would give the hint ("secret", "1", "", or none), it is not asked.
        const ClipboardContent secret = read({png, text, hint});
        QCOMPARE(asked, QStringList());
        QVERIFY(!secret.image);
        QCOMPARE(secret.items().size(), 1);
        QVERIFY(secret.items().constFirst().isConcealed());

        const ClipboardContent open = read({png, text});
        QCOMPARE(open.formats.value(text), QByteArray("hunter2"));
        QVERIFY(open.image);
        QCOMPARE(QImage::fromData(open.image->png).size(), QSize(4, 3));
        QVERIFY(!open.items().constFirst().isConcealed());
    }

    void boundsTheBytesOfAWholeChange()
    {
        using Abort = ClipboardReadBudget::Abort;
        ClipboardReadBudget budget({.maxChangeBytes = 100});
        budget.begin();
        // All formats of a change count together, up to the bound itself.
        QVERIFY(budget.withinBound(60));
        QVERIFY(budget.withinBound(40));
        QCOMPARE(budget.aborted(), std::nullopt);
        QVERIFY(!budget.withinBound(1));
        QCOMPARE(budget.aborted(), Abort::tooLarge);
        // What came within the bound is still kept; a read that was superseded or stopped is not.
        QVERIFY(budget.keepsWhatWasRead());
        budget.abort(Abort::superseded);
        QVERIFY(!budget.keepsWhatWasRead());

        // The next change starts from nothing, with the owner's whole answer time ahead.
        budget.begin();
        QCOMPARE(budget.aborted(), std::nullopt);
        QVERIFY(budget.withinBound(100));
        const auto remaining = budget.remainingMs();
        QVERIFY(remaining);
        QVERIFY(*remaining > 0 && *remaining <= ClipboardReadBudget::answerTimeout.count());
    }
};

QTEST_GUILESS_MAIN(TestClipboardReading)
#include "test_clipboard_reading.moc"
