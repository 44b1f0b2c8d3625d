#pragma once

#include <QByteArray>
#include <QString>
#include <QStringMatcher>

#include <array>

/// An item's text as it is kept in memory: exact, in its smallest encoding, with what a case-insensitive
/// search needs. Most clipboard text is Latin-1, kept at one byte a character and searched as it is,
/// through a folding table; any other text is kept as UTF-8 or UTF-16, whichever is smaller, beside its
/// case-folded copy (the same bytes, shared, when folding changes nothing). Qt's case folding is simple
/// (one code point to one), which makes a search of folded text equal to a case-insensitive `contains`.
/// Each text also keeps the classes of the characters it holds, so that a search passes over most texts
/// that lack one of the needle's characters without reading them.
class ItemText {
public:
    ItemText() = default;
    explicit ItemText(const QString &text);
    /// UTF-8 as the store keeps it, decoded exactly (see exactTextFromUtf8); ASCII is kept as it comes.
    static ItemText fromUtf8(const QByteArray &utf8);

    QString toString() const;
    /// The first `length` UTF-16 units (all of them when there are fewer), decoding no more than that needs.
    QString left(qsizetype length) const;
    /// The length in UTF-16 units.
    qsizetype size() const;
    bool isEmpty() const { return m_bytes.isEmpty(); }
    /// The same text: the encoding follows from the text, so equal texts have equal bytes.
    bool operator==(const ItemText &other) const { return m_encoding == other.m_encoding && m_bytes == other.m_bytes; }
    /// A hash of the length and both ends: equal texts have equal ones, and a huge text costs no more
    /// than a short one.
    size_t sampledHash() const;

    /// The folded search text, prepared once per search.
    class Needle {
    public:
        explicit Needle(const QString &text);
        bool isIn(const ItemText &text) const;

    private:
        /// Whether the needle occurs in Latin-1 bytes that are not folded: each byte is folded as it
        /// is compared.
        bool isInUnfolded(const QByteArray &latin1) const;

        QString m_wide;
        QStringMatcher m_wideMatcher;
        QByteArray m_utf8; // empty when the needle is not valid UTF-16
        QByteArray m_latin1;
        quint32 m_classes = 0;
        bool m_isLatin1 = false;
        // The Latin-1 bytes that fold to the needle's first and last byte (the byte and its other case).
        std::array<char, 2> m_first{};
        std::array<char, 2> m_last{};
    };

private:
    enum class Encoding : quint8 { latin1, utf8, utf16 };
    struct Encoded {
        QByteArray bytes;
        Encoding encoding;
    };
    static Encoded encode(const QString &text);
    static QString decode(const QByteArray &bytes, Encoding encoding);
    void setFolded(const QString &text);
    void setClasses();

    QByteArray m_bytes;
    QByteArray m_folded; // unused while the text is searched as it is
    quint32 m_classes = 0; // of the folded characters: a needle's must all be among them
    Encoding m_encoding = Encoding::latin1;
    Encoding m_foldedEncoding = Encoding::latin1;
    bool m_isSearchedUnfolded = true;
};
