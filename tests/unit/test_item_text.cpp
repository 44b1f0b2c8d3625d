#include "model/ExactText.h"
#include "model/ItemText.h"

#include <QTest>

namespace {

QString chars(std::initializer_list<char32_t> codePoints)
{
    return QString::fromUcs4(std::data(codePoints), qsizetype(codePoints.size()));
}

// Texts whose case folding or encoding is awkward: accents, ß, Turkish dotted and dotless i, the micro
// sign (folds beyond Latin-1), the Kelvin sign and long s (fold into ASCII), Ÿ (folds into Latin-1),
// emoji, CJK, Cyrillic, Greek, a lone surrogate, a byte-order mark and U+FFFE.
QStringList awkwardTexts()
{
    return {
        QStringLiteral("Hello, World! The QUICK brown fox"),
        QString(),
        QStringLiteral("Café CRÈME naïve Ærø"),
        QStringLiteral("Straße STRASSE strasse"),
        QStringLiteral("İstanbul ıspanak ISPANAK istanbul"),
        QStringLiteral("5 µm of Μικρό micro"),
        QStringLiteral("300 ") + chars({0x212A}) + QStringLiteral("elvin and kilo"),
        chars({0x017F}) + QStringLiteral("tra") + chars({0x017F}) + QStringLiteral("e"),
        chars({0x0178}) + QStringLiteral("ves ÿ Ÿ"),
        QStringLiteral("Grinning ") + chars({0x1F600, 0x1F603}) + QStringLiteral(" FACE"),
        QStringLiteral("日本語のテキストです"),
        QStringLiteral("ПРИВЕТ мир, Привет МИР"),
        QStringLiteral("“Quoted” – dashed — text"),
        QString(QChar(0xD800)) + QStringLiteral("abc") + QChar(0xDE00),
        QString(QChar(0xFEFF)) + QStringLiteral("bom first"),
        QStringLiteral("ends in ") + QChar(0xFFFE),
    };
}

QStringList awkwardNeedles()
{
    return {
        QStringLiteral("e"),
        QStringLiteral("É"),
        QStringLiteral("crème"),
        QStringLiteral("CAFÉ"),
        QStringLiteral("ß"),
        QStringLiteral("ss"),
        QStringLiteral("STRASSE"),
        QStringLiteral("i"),
        QStringLiteral("I"),
        QStringLiteral("İ"),
        QStringLiteral("ı"),
        QStringLiteral("µ"),
        QStringLiteral("μ"),
        QStringLiteral("Μ"),
        QStringLiteral("µm"),
        QStringLiteral("k"),
        chars({0x212A}),
        QStringLiteral("s"),
        chars({0x017F}),
        QStringLiteral("ÿ"),
        QStringLiteral("Ÿ"),
        chars({0x1F600}),
        QStringLiteral("grin"),
        QStringLiteral("face"),
        QStringLiteral("本語"),
        QStringLiteral("привет"),
        QStringLiteral("МИР"),
        QStringLiteral("“quoted”"),
        QString(QChar(0xD800)),
        QString(QChar(0xDE00)),
        QString(QChar(0xD83D)), // the first half of the grinning face
        QStringLiteral("300"),
        QString(QChar(0xFEFF)),
        QString(QChar(0xFFFE)),
        QStringLiteral("abc"),
        QStringLiteral("xyz"),
        QStringLiteral("Hello, World! The QUICK brown fox!"),
        QStringLiteral(", w"),
    };
}

} // namespace

class TestItemText : public QObject {
    Q_OBJECT

private slots:
    // What is kept is the text itself: decoded whole or in part, measured, compared, as stored.
    void keepsTheTextExactly()
    {
        for (const QString &text : awkwardTexts()) {
            const ItemText kept(text);
            QCOMPARE(kept.toString(), text);
            QCOMPARE(kept.size(), text.size());
            for (const qsizetype length : {0, 1, 3, 9, 10, 11, 1000})
                QCOMPARE(kept.left(length), text.left(length));
            QVERIFY(kept == ItemText(QString(text)));
            QCOMPARE(kept.sampledHash(), ItemText(QString(text)).sampledHash());
            QVERIFY(!(kept == ItemText(text + QLatin1Char('x'))));
            // From the store's UTF-8 as exactTextFromUtf8 reads it, and equal to the same text made in memory.
            const QByteArray utf8 = text.toUtf8();
            const ItemText loaded = ItemText::fromUtf8(utf8);
            QCOMPARE(loaded.toString(), exactTextFromUtf8(utf8));
            QVERIFY(loaded == ItemText(exactTextFromUtf8(utf8)));
        }
        // Texts with the same ends and length differ by their middle.
        QVERIFY(!(ItemText(QString(3000, u'a') + u'b' + QString(3000, u'a'))
            == ItemText(QString(3000, u'a') + u'c' + QString(3000, u'a'))));
    }

    // The search finds exactly what a case-insensitive `contains` finds, whatever the encoding kept.
    void searchFindsWhatCaseInsensitiveContainsFinds()
    {
        int found = 0;
        for (const QString &text : awkwardTexts()) {
            const ItemText kept(text);
            const ItemText loaded = ItemText::fromUtf8(text.toUtf8());
            const QString loadedText = loaded.toString();
            for (const QString &needle : awkwardNeedles()) {
                const ItemText::Needle search(needle);
                const bool expected = text.contains(needle, Qt::CaseInsensitive);
                QVERIFY2(search.isIn(kept) == expected, qPrintable(QStringLiteral("“%1” in “%2”").arg(needle, text)));
                QCOMPARE(search.isIn(loaded), loadedText.contains(needle, Qt::CaseInsensitive));
                found += expected;
            }
        }
        QVERIFY(found > 60); // the table finds as well as misses
    }

    // A letter at either end of texts of every kind, short and around the length beyond which texts are
    // no longer summed up by the characters they hold.
    void findsALetterAtEitherEndOfTextsOfAnyLength()
    {
        for (const QChar fill : {QChar(u'a'), QChar(u'é'), QChar(0x0100), QChar(0x65E5)}) {
            for (const qsizetype length : {1, 2, 3, 4, 5, 8, 9, 32767, 32768, 32769, 65535, 65536, 65537}) {
                const QString start = QString(length - 1, fill);
                for (const QString &text : {start + u'Q', u'Q' + start}) {
                    const ItemText kept(text);
                    const ItemText loaded = ItemText::fromUtf8(text.toUtf8());
                    const QString where
                        = QStringLiteral("%1 × U+%2").arg(length).arg(uint(fill.unicode()), 4, 16, QChar(u'0'));
                    QVERIFY2(ItemText::Needle(QStringLiteral("q")).isIn(kept), qPrintable(where));
                    QVERIFY2(ItemText::Needle(QStringLiteral("q")).isIn(loaded), qPrintable(where));
                    QVERIFY2(!ItemText::Needle(QStringLiteral("z")).isIn(kept), qPrintable(where));
                    QVERIFY2(ItemText::Needle(QString(fill) + u'q').isIn(kept) == (length > 1 && text.endsWith(u'Q')),
                        qPrintable(where));
                }
            }
        }
    }

    // A needle anywhere in a 50 MB item, at either end or across the place where a row stops showing it.
    void searchesItemsOf50Megabytes()
    {
        constexpr qsizetype size = 50 << 20;
        const QString latin1 = QString(size / 2, u'a') + QStringLiteral("Ünïcode MIDDLE") + QString(size / 2, u'b')
            + QStringLiteral("the END");
        QString wide = latin1;
        wide[1] = QChar(0x65E5); // one CJK character makes the whole text wide
        for (const QString &text : {latin1, wide}) {
            const ItemText kept(text);
            QCOMPARE(kept.size(), text.size());
            QCOMPARE(kept.left(5), text.left(5));
            for (const QString &needle : {QStringLiteral("the end"), QStringLiteral("ünïCODE middle"),
                     QStringLiteral("aab"), QStringLiteral("ab"), QStringLiteral("bbbbt"), QStringLiteral("END!"),
                     QStringLiteral("日"), QStringLiteral("a日a")})
                QCOMPARE(ItemText::Needle(needle).isIn(kept), text.contains(needle, Qt::CaseInsensitive));
        }
    }
};

QTEST_GUILESS_MAIN(TestItemText)
#include "test_item_text.moc"
