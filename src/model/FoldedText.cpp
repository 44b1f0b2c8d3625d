#include "FoldedText.h"

#include <algorithm>
#include <array>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

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

} // namespace

FoldedText::FoldedText(const QString &text)
{
    // Latin-1 text, by far the most common, folds through a table; this keeps the first search
    // over a large history from stalling on toCaseFolded.
    static const auto latin1Fold = [] {
        std::array<char16_t, 256> table{};
        for (char16_t c = 0; c < 256; ++c)
            table[c] = char16_t(QChar::toCaseFolded(char32_t(c)));
        return table;
    }();
    const QChar *units = text.constData();
    const qsizetype size = text.size();
    m_latin1.resize(size);
    char *out = m_latin1.data();
    qsizetype i = 0;
    for (; i < size; ++i) {
        const char16_t c = units[i].unicode();
        if (c >= 0x100 || latin1Fold[c] >= 0x100) // µ folds to Greek mu
            break;
        out[i] = char(latin1Fold[c]);
    }
    if (i == size) {
        m_isLatin1 = true;
        return;
    }
    m_latin1.clear();
    QString folded = text.toCaseFolded();
    m_isLatin1 = std::all_of(folded.cbegin(), folded.cend(), [](QChar c) { return c.unicode() < 0x100; });
    if (m_isLatin1)
        m_latin1 = folded.toLatin1();
    else
        m_wide = std::move(folded);
}

FoldedText::Needle::Needle(const QString &text)
    : m_wide(text.toCaseFolded())
    , m_wideMatcher(m_wide)
{
    m_isLatin1 = std::all_of(m_wide.cbegin(), m_wide.cend(), [](QChar c) { return c.unicode() < 0x100; });
    if (m_isLatin1)
        m_latin1 = m_wide.toLatin1();
}

bool FoldedText::Needle::isIn(const FoldedText &text) const
{
    if (text.m_isLatin1) {
        // A needle character beyond Latin-1 cannot occur in a Latin-1 text.
        if (!m_isLatin1)
            return false;
        if (m_wide.size() == 1)
            return std::memchr(text.m_latin1.constData(), char(m_wide.at(0).unicode()), size_t(text.m_latin1.size()));
        return containsBytes(text.m_latin1.constData(), text.m_latin1.size(), m_latin1.constData(), m_latin1.size());
    }
    return m_wideMatcher.indexIn(QStringView(text.m_wide)) >= 0;
}
