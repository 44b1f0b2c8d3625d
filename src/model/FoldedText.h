#pragma once

#include <QByteArray>
#include <QString>
#include <QStringMatcher>

/// Text folded once, so a search compares it case-sensitively with a folded needle. Qt's case folding
/// is simple (one code point to one), which makes this equal to a case-insensitive `contains`. Most
/// clipboard text is Latin-1 and is kept and searched as bytes.
class FoldedText {
public:
    explicit FoldedText(const QString &text);

    /// The folded search text, prepared once per search.
    class Needle {
    public:
        explicit Needle(const QString &text);
        bool isIn(const FoldedText &text) const;

    private:
        QString m_wide;
        QStringMatcher m_wideMatcher;
        QByteArray m_latin1;
        bool m_isLatin1 = false;
    };

private:
    QByteArray m_latin1;
    QString m_wide;
    bool m_isLatin1 = false;
};
