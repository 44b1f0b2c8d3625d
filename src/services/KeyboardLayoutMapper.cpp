#include "KeyboardLayoutMapper.h"

#include "KeyboardLayouts.h"

#include <QTextBoundaryFinder>

namespace {

constexpr int lastKeyCode = 127;

// Both maps visit keys in this order; the character map's first-wins rule depends on it.
template <typename Visit> void forEachKey(const KeyboardLayouts::KeyTable &table, Visit visit)
{
    for (int keyCode = 0; keyCode <= lastKeyCode; ++keyCode) {
        for (const bool shift : {false, true}) {
            if (const std::optional<QChar> character = table(keyCode, shift))
                visit(keyCode, shift, *character);
        }
    }
}

} // namespace

QList<LayoutInfo> KeyboardLayoutMapper::installedLayouts(const KeyboardLayouts &layouts)
{
    return layouts.layouts();
}

QString KeyboardLayoutMapper::keyText(int keyCode, bool shift)
{
    return QString::number(keyCode) + QLatin1String(shift ? "-1" : "-0");
}

QString KeyboardLayoutMapper::canonicalCharacter(QStringView character)
{
    return character.toString().normalized(QString::NormalizationForm_C);
}

QHash<QString, QChar> KeyboardLayoutMapper::keyCodeToCharacterMap(
    const LayoutInfo &layout, const KeyboardLayouts &layouts)
{
    QHash<QString, QChar> map;
    if (const KeyboardLayouts::KeyTable table = layouts.keyTable(layout)) {
        forEachKey(table,
            [&map](int keyCode, bool shift, QChar character) { map.insert(keyText(keyCode, shift), character); });
    }
    return map;
}

QHash<QString, KeyStroke> KeyboardLayoutMapper::characterToKeyCodeMap(
    const LayoutInfo &layout, const KeyboardLayouts &layouts)
{
    QHash<QString, KeyStroke> map;
    if (const KeyboardLayouts::KeyTable table = layouts.keyTable(layout)) {
        forEachKey(table, [&map](int keyCode, bool shift, QChar character) {
            const QString key = canonicalCharacter(QStringView(&character, 1));
            if (!map.contains(key))
                map.insert(key, KeyStroke{static_cast<quint16>(keyCode), shift});
        });
    }
    return map;
}

std::optional<QString> KeyboardLayoutMapper::convert(
    const QString &text, const LayoutInfo &from, const LayoutInfo &to, const KeyboardLayouts &layouts)
{
    const QHash<QString, KeyStroke> source = characterToKeyCodeMap(from, layouts);
    const QHash<QString, QChar> target = keyCodeToCharacterMap(to, layouts);

    QString result;
    result.reserve(text.size());
    // User-perceived characters: CR LF is one and so passes through, as does a letter with its
    // combining marks unless the whole cluster is what one key types.
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    for (qsizetype end = graphemes.toNextBoundary(); end != -1; end = graphemes.toNextBoundary()) {
        const QStringView character = QStringView(text).sliced(start, end - start);
        start = end;
        if (character == u" " || character == u"\n" || character == u"\t") {
            result += character;
            continue;
        }
        const auto stroke = source.constFind(canonicalCharacter(character));
        const auto typed
            = stroke == source.cend() ? target.cend() : target.constFind(keyText(stroke->keyCode, stroke->shift));
        if (typed != target.cend())
            result += *typed;
        else
            result += character;
    }
    if (result.isEmpty())
        return std::nullopt;
    return result;
}
