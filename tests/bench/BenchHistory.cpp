#include "BenchHistory.h"

#include "model/ClipCategory.h"
#include "model/ClipboardItem.h"
#include "model/ModelContext.h"
#include "model/PasteTemplate.h"

#include <QBuffer>
#include <QImage>
#include <QRandomGenerator>
#include <QStringList>

namespace {

const QStringList words = {"the", "of", "and", "to", "in", "is", "that", "for", "it", "as", "with", "was", "on", "be",
    "at", "by", "this", "had", "not", "are", "but", "from", "or", "have", "an", "they", "which", "one", "you", "were",
    "her", "all", "she", "there", "would", "their", "we", "him", "been", "has", "when", "who", "will", "more", "no",
    "if", "out", "so", "said", "what", "up", "its", "about", "into", "than", "them", "can", "only", "other", "new",
    "some", "could", "time", "these", "two", "may", "then", "do", "first", "any", "my", "now", "such", "like", "our",
    "over", "man", "me", "even", "most", "made", "after", "also", "did", "many", "before", "must", "through", "back",
    "years", "where", "much", "your", "way", "well", "down", "should", "because", "each", "just", "those", "people",
    "Mr", "how", "too", "little", "state", "good", "very", "make", "world", "still", "own", "see", "men", "work",
    "long", "get", "here", "between", "both", "life", "being", "under", "never", "day", "same", "another", "know",
    "while", "last", "might", "us", "great", "old", "year", "off", "come", "since", "against", "go", "came", "right",
    "used", "take", "three", "git", "status", "commit", "return", "const", "auto", "void", "https://example.com/docs",
    "SELECT", "FROM", "WHERE", "ssh", "sudo", "apt-get", "café", "naïve", "quartz", "zephyr", "jukebox"};
// One text in fifty is partly written in other scripts.
const QStringList foreignWords = {"Привет", "мир", "日本語", "テキスト", "Ελληνικά", "Größe"};

QString randomText(int bytes, QRandomGenerator &random)
{
    const bool foreign = random.bounded(50) == 0;
    QString text;
    text.reserve(bytes + 16);
    while (text.size() < bytes) {
        if (!text.isEmpty())
            text += random.bounded(12) == 0 ? QLatin1Char('\n') : QLatin1Char(' ');
        text += foreign && random.bounded(4) == 0 ? foreignWords.at(random.bounded(int(foreignWords.size())))
                                                  : words.at(random.bounded(int(words.size())));
    }
    return text;
}

/// Mostly short snippets, some paragraphs, a few whole documents.
int randomSize(QRandomGenerator &random)
{
    const int bucket = random.bounded(100);
    if (bucket < 90)
        return 10 + random.bounded(290);
    if (random.bounded(20) > 0)
        return 300 + random.bounded(4700);
    return 10000 + random.bounded(90001);
}

} // namespace

qint64 fillHistory(ModelContext &context, int count)
{
    ClipCategory::insertDefaults(context);
    PasteTemplate::insertDefaults(context);
    QRandomGenerator random(20261206);
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    QImage(64, 48, QImage::Format_RGB32).save(&png, "PNG");
    qint64 totalChars = 0;
    for (int i = 0; i < count; ++i) {
        const bool isImage = i % 20 == 7;
        const bool isPinned = i % 10 == 3;
        const QString content
            = isImage ? QStringLiteral("/home/me/Pictures/shot-%1.png").arg(i) : randomText(randomSize(random), random);
        totalChars += content.size();
        context.insert(ClipboardItem::create(content, isImage ? ClipboardItemType::image : ClipboardItemType::text,
            isImage ? std::optional(png.data()) : std::nullopt,
            i % 3 ? std::optional(QStringLiteral("Terminal")) : std::optional(QStringLiteral("Firefox")), std::nullopt,
            isPinned));
    }
    context.save();
    // The writer thread would otherwise still be writing while the figures are taken.
    context.waitForSaves();
    return totalChars;
}

void fillTexts(ModelContext &context, int count, int length)
{
    ClipCategory::insertDefaults(context);
    PasteTemplate::insertDefaults(context);
    QRandomGenerator random(20261208);
    for (int i = 0; i < count; ++i) {
        // The number first keeps every text distinct, so none is taken for a repeat of another.
        const QString text = (QString::number(i) + QLatin1Char(' ') + randomText(length, random)).left(length);
        context.insert(ClipboardItem::create(text, ClipboardItemType::text, std::nullopt,
            i % 3 ? std::optional(QStringLiteral("Terminal")) : std::optional(QStringLiteral("Firefox"))));
        if (i % 5000 == 4999)
            context.save();
    }
    context.save();
    context.waitForSaves();
}
