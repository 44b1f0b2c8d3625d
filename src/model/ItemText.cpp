#include "ItemText.h"

#include "ExactText.h"

#include <QHashFunctions>

#include <algorithm>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

constexpr char16_t micro = 0xB5; // folds to Greek mu, beyond Latin-1

struct Latin1Folding {
    std::array<char16_t, 256> fold{};
    std::array<char, 256> otherCase{}; // the other Latin-1 byte that folds to a folded byte, or the byte
};

const Latin1Folding &latin1Folding()
{
    static const Latin1Folding table = [] {
        Latin1Folding folding;
        for (char16_t c = 0; c < 256; ++c) {
            folding.fold[c] = char16_t(QChar::toCaseFolded(char32_t(c)));
            folding.otherCase[c] = char(c);
        }
        for (char16_t c = 0; c < 256; ++c) {
            if (folding.fold[c] < 256 && folding.fold[c] != c)
                folding.otherCase[folding.fold[c]] = char(c);
        }
        return folding;
    }();
    return table;
}

// A character's class: a bit for each letter a-z, one for digits, one for the rest of ASCII and four for
// the rest of Unicode, by the lowest two bits of the code point. In UTF-8 those are the lowest bits of a
// character's last byte, and in UTF-16 of its last unit.
constexpr int firstWideClass = 28;
constexpr quint32 allClasses = ~quint32(0);

constexpr quint32 classOf(char32_t c)
{
    if (c >= 'a' && c <= 'z')
        return quint32(1) << (c - 'a');
    if (c >= '0' && c <= '9')
        return quint32(1) << 26;
    if (c < 0x80)
        return quint32(1) << 27;
    return quint32(1) << (firstWideClass + (c & 3));
}

// Beyond this many bytes a text holds nearly every class, and reading it all to say so costs more than
// the search it would spare.
constexpr qsizetype classifiedBytesLimit = 64 * 1024;

struct ByteClasses {
    std::array<quint32, 256> latin1{}; // of a folded Latin-1 byte
    std::array<quint32, 256> unfolded{}; // of a Latin-1 byte, folded first
    std::array<quint32, 256> utf8{}; // of a folded UTF-8 byte: a character's classes come with its last byte
};

const ByteClasses &byteClasses()
{
    static const ByteClasses table = [] {
        ByteClasses classes;
        for (char16_t b = 0; b < 256; ++b) {
            classes.latin1[b] = classOf(b);
            classes.unfolded[b] = classOf(latin1Folding().fold[b]);
            // Lead bytes say nothing of the character's code point's last bits.
            classes.utf8[b] = b < 0xC0 ? classOf(b) : 0;
        }
        return classes;
    }();
    return table;
}

quint32 classesOf(const QByteArray &bytes, const std::array<quint32, 256> &table)
{
    if (bytes.size() > classifiedBytesLimit)
        return allClasses;
    // Four lanes, so that each lookup does not wait for the one before.
    std::array<quint32, 4> lanes{};
    const char *data = bytes.constData();
    const qsizetype size = bytes.size();
    qsizetype i = 0;
    for (; i + 4 <= size; i += 4) {
        for (int lane = 0; lane < 4; ++lane)
            lanes[lane] |= table[uchar(data[i + lane])];
    }
    for (; i < size; ++i)
        lanes[0] |= table[uchar(data[i])];
    return lanes[0] | lanes[1] | lanes[2] | lanes[3];
}

quint32 classesOf(QStringView utf16)
{
    if (utf16.size() * qsizetype(sizeof(QChar)) > classifiedBytesLimit)
        return allClasses;
    quint32 classes = 0;
    for (const QChar c : utf16)
        classes |= classOf(c.unicode());
    return classes;
}

bool isAscii(const QByteArray &bytes)
{
    return std::all_of(bytes.cbegin(), bytes.cend(), [](char c) { return (uchar(c) & 0x80) == 0; });
}

bool isLatin1(QStringView text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x100; });
}

/// Whether `needle` (two bytes or more) occurs in `text`. Sixteen positions are tested at once for
/// the needle's first and last byte, and only those candidates are compared in full.
bool containsBytes(const char *text, qsizetype size, const char *needle, qsizetype length)
{
    if (size < length)
        return false;
    qsizetype i = 0;
#ifdef __SSE2__
    const __m128i first = _mm_set1_epi8(needle[0]);
    const __m128i last = _mm_set1_epi8(needle[length - 1]);
    for (; i + length - 1 + 16 <= size; i += 16) {
        const __m128i atFirst = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text + i));
        const __m128i atLast = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text + i + length - 1));
        auto candidates
            = unsigned(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(atFirst, first), _mm_cmpeq_epi8(atLast, last))));
        while (candidates != 0) {
            const int offset = __builtin_ctz(candidates);
            if (std::memcmp(text + i + offset + 1, needle + 1, size_t(length - 2)) == 0)
                return true;
            candidates &= candidates - 1;
        }
    }
#endif
    for (; i + length <= size; ++i) {
        if (text[i] == needle[0] && std::memcmp(text + i, needle, size_t(length)) == 0)
            return true;
    }
    return false;
}

bool containsBytes(const QByteArray &text, const QByteArray &needle)
{
    if (needle.size() == 1)
        return std::memchr(text.constData(), needle.at(0), size_t(text.size())) != nullptr;
    return containsBytes(text.constData(), text.size(), needle.constData(), needle.size());
}

QStringView utf16View(const QByteArray &bytes)
{
    return QStringView(reinterpret_cast<const QChar *>(bytes.constData()), bytes.size() / qsizetype(sizeof(QChar)));
}

} // namespace

ItemText::ItemText(const QString &text)
{
    const Encoded encoded = encode(text);
    m_bytes = encoded.bytes;
    m_encoding = encoded.encoding;
    if (m_encoding != Encoding::latin1 || m_bytes.contains(char(micro)))
        setFolded(text);
    setClasses();
}

ItemText ItemText::fromUtf8(const QByteArray &utf8)
{
    ItemText text;
    text.m_bytes = utf8;
    text.setClasses();
    // Only bytes beyond ASCII give wide classes, so the classes of a text within the limit say whether
    // it is ASCII without a second pass over every stored text.
    const quint32 wideClasses = allClasses << firstWideClass;
    if ((text.m_classes & wideClasses) != 0 && (utf8.size() <= classifiedBytesLimit || !isAscii(utf8)))
        return ItemText(exactTextFromUtf8(utf8));
    return text;
}

ItemText::Encoded ItemText::encode(const QString &text)
{
    if (isLatin1(text))
        return {text.toLatin1(), Encoding::latin1};
    // A lone surrogate has no UTF-8 form: such a text keeps its UTF-16 units.
    if (QStringView(text).isValidUtf16()) {
        QByteArray utf8 = text.toUtf8();
        if (utf8.size() <= text.size() * qsizetype(sizeof(QChar)))
            return {utf8, Encoding::utf8};
    }
    return {QByteArray(reinterpret_cast<const char *>(text.constData()), text.size() * qsizetype(sizeof(QChar))),
        Encoding::utf16};
}

QString ItemText::decode(const QByteArray &bytes, Encoding encoding)
{
    switch (encoding) {
    case Encoding::latin1:
        return QString::fromLatin1(bytes);
    case Encoding::utf8:
        return exactTextFromUtf8(bytes);
    case Encoding::utf16:
        return utf16View(bytes).toString();
    }
    Q_UNREACHABLE();
    return {};
}

void ItemText::setFolded(const QString &text)
{
    m_isSearchedUnfolded = false;
    const QString folded = text.toCaseFolded();
    if (folded == text) {
        m_folded = m_bytes;
        m_foldedEncoding = m_encoding;
        return;
    }
    const Encoded encoded = encode(folded);
    m_folded = encoded.bytes;
    m_foldedEncoding = encoded.encoding;
}

void ItemText::setClasses()
{
    const ByteClasses &table = byteClasses();
    if (m_isSearchedUnfolded) {
        m_classes = classesOf(m_bytes, table.unfolded);
        return;
    }
    switch (m_foldedEncoding) {
    case Encoding::latin1:
        m_classes = classesOf(m_folded, table.latin1);
        return;
    case Encoding::utf8:
        m_classes = classesOf(m_folded, table.utf8);
        return;
    case Encoding::utf16:
        m_classes = classesOf(utf16View(m_folded));
        return;
    }
}

QString ItemText::toString() const
{
    return decode(m_bytes, m_encoding);
}

QString ItemText::left(qsizetype length) const
{
    switch (m_encoding) {
    case Encoding::latin1:
        return QString::fromLatin1(m_bytes.constData(), std::min(length, m_bytes.size()));
    case Encoding::utf16:
        return utf16View(m_bytes).left(length).toString();
    case Encoding::utf8:
        // 4 bytes hold at least one whole UTF-16 unit, so a sequence cut short lies beyond `length`.
        return exactTextFromUtf8(QByteArrayView(m_bytes).first(std::min(m_bytes.size(), length * 4))).left(length);
    }
    Q_UNREACHABLE();
    return {};
}

qsizetype ItemText::size() const
{
    switch (m_encoding) {
    case Encoding::latin1:
        return m_bytes.size();
    case Encoding::utf16:
        return m_bytes.size() / qsizetype(sizeof(QChar));
    case Encoding::utf8:
        // Each lead byte starts a character; a four-byte one is two UTF-16 units.
        return std::count_if(m_bytes.cbegin(), m_bytes.cend(), [](char c) { return (uchar(c) & 0xC0) != 0x80; })
            + std::count_if(m_bytes.cbegin(), m_bytes.cend(), [](char c) { return (uchar(c) & 0xF8) == 0xF0; });
    }
    Q_UNREACHABLE();
    return 0;
}

size_t ItemText::sampledHash() const
{
    constexpr qsizetype sample = 1024;
    const QByteArrayView bytes(m_bytes);
    const qsizetype size = std::min(bytes.size(), sample);
    return qHashMulti(0, int(m_encoding), bytes.size(), bytes.first(size), bytes.last(size));
}

ItemText::Needle::Needle(const QString &text)
    : m_wide(text.toCaseFolded())
    , m_wideMatcher(m_wide)
{
    if (QStringView(m_wide).isValidUtf16())
        m_utf8 = m_wide.toUtf8();
    for (qsizetype i = 0; i < m_wide.size(); ++i) {
        const QChar c = m_wide.at(i);
        if (c.isHighSurrogate() && i + 1 < m_wide.size() && m_wide.at(i + 1).isLowSurrogate()) {
            m_classes |= classOf(QChar::surrogateToUcs4(c, m_wide.at(i + 1)));
            ++i;
        } else if (!c.isSurrogate()) {
            // A lone surrogate may be half of a pair in the text, whose class is the pair's.
            m_classes |= classOf(c.unicode());
        }
    }
    m_isLatin1 = isLatin1(m_wide);
    if (m_isLatin1 && !m_wide.isEmpty()) {
        m_latin1 = m_wide.toLatin1();
        const auto &otherCase = latin1Folding().otherCase;
        const auto first = uchar(m_latin1.front());
        const auto last = uchar(m_latin1.back());
        m_first = {char(first), otherCase[first]};
        m_last = {char(last), otherCase[last]};
    }
}

bool ItemText::Needle::isIn(const ItemText &text) const
{
    if (m_wide.isEmpty())
        return true;
    if ((m_classes & ~text.m_classes) != 0)
        return false;
    if (text.m_isSearchedUnfolded)
        return m_isLatin1 && isInUnfolded(text.m_bytes); // a Latin-1 text folds to Latin-1
    switch (text.m_foldedEncoding) {
    case Encoding::latin1:
        return m_isLatin1 && containsBytes(text.m_folded, m_latin1);
    case Encoding::utf8:
        // A needle with a lone surrogate has no UTF-8 form but may be half of a pair: looked for in UTF-16.
        if (m_utf8.isEmpty())
            return m_wideMatcher.indexIn(exactTextFromUtf8(text.m_folded)) >= 0;
        return containsBytes(text.m_folded, m_utf8);
    case Encoding::utf16:
        return m_wideMatcher.indexIn(utf16View(text.m_folded)) >= 0;
    }
    return false;
}

bool ItemText::Needle::isInUnfolded(const QByteArray &latin1) const
{
    const auto &fold = latin1Folding().fold;
    const char *text = latin1.constData();
    const qsizetype size = latin1.size();
    const qsizetype length = m_latin1.size();
    if (size < length)
        return false;
    const char *needle = m_latin1.constData();
    const auto matchesAt = [&](qsizetype at) {
        for (qsizetype k = 0; k < length; ++k) {
            if (fold[uchar(text[at + k])] != char16_t(uchar(needle[k])))
                return false;
        }
        return true;
    };
    qsizetype i = 0;
#ifdef __SSE2__
    const __m128i first0 = _mm_set1_epi8(m_first[0]);
    const __m128i first1 = _mm_set1_epi8(m_first[1]);
    const __m128i last0 = _mm_set1_epi8(m_last[0]);
    const __m128i last1 = _mm_set1_epi8(m_last[1]);
    for (; i + length - 1 + 16 <= size; i += 16) {
        const __m128i atFirst = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text + i));
        const __m128i atLast = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text + i + length - 1));
        const __m128i isFirst = _mm_or_si128(_mm_cmpeq_epi8(atFirst, first0), _mm_cmpeq_epi8(atFirst, first1));
        const __m128i isLast = _mm_or_si128(_mm_cmpeq_epi8(atLast, last0), _mm_cmpeq_epi8(atLast, last1));
        auto candidates = unsigned(_mm_movemask_epi8(_mm_and_si128(isFirst, isLast)));
        while (candidates != 0) {
            if (matchesAt(i + __builtin_ctz(candidates)))
                return true;
            candidates &= candidates - 1;
        }
    }
#endif
    for (; i + length <= size; ++i) {
        if ((text[i] == m_first[0] || text[i] == m_first[1]) && matchesAt(i))
            return true;
    }
    return false;
}
