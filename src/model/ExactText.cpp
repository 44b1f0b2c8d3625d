#include "ExactText.h"

#include <QStringDecoder>

QString exactTextFromUtf8(QByteArrayView utf8)
{
    // Invalid sequences become U+FFFD, as with fromUtf8.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder(utf8);
}
