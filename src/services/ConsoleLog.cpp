#include "ConsoleLog.h"

#include <QLoggingCategory>
#include <QTextBoundaryFinder>

#include <cstdio>

void printLine(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

namespace {

Q_LOGGING_CATEGORY(lcContent, "quillbox.content", QtWarningMsg)

constexpr int quotedCharacters = 50;

} // namespace

QString contentSummary(const QString &context, const QString &text)
{
    // Counted and cut by user-perceived characters: an emoji or an accented letter is never halved.
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int characters = 0;
    qsizetype quotedEnd = 0;
    for (qsizetype next = finder.toNextBoundary(); next != -1; next = finder.toNextBoundary()) {
        if (++characters <= quotedCharacters)
            quotedEnd = next;
    }
    qCDebug(lcContent).noquote() << context << text.left(quotedEnd);
    return QStringLiteral("%1 characters").arg(characters);
}
