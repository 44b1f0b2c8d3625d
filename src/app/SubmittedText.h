#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

/// Text handed to `quillbox add` from outside: the command line's standard input, or a file a client
/// hands the running Quillbox. It is read with a bound, never to the end of an endless stream, and it
/// is text only as UTF-8 without NUL bytes: a NUL would cut the text short on its way, and bytes of
/// another encoding would be stored as something else than what was sent.
class SubmittedText {
public:
    /// The most one text may hold: the bound of one captured copy.
    static constexpr qint64 maxBytes = 256LL * 1024 * 1024;

    /// Reads `fd` from where it stands to its end. Nothing when that fails or would take more than
    /// `maxBytes`; `problem` then ends a sentence about the source ("holds more than 256 MB, ...").
    static std::optional<QByteArray> read(int fd, QString *problem);
    /// Why the bytes are not text, ending a sentence about their source ("is not text: byte 7 is a
    /// NUL"); empty when they are.
    static QString textProblem(const QByteArray &bytes);
    /// The end of a sentence about a source that holds more than `maxBytes`.
    static QString tooLarge();
};
