#pragma once

#include <QByteArrayView>
#include <QString>

/// UTF-8 decoded character for character. QString::fromUtf8 drops a leading U+FEFF as a byte-order
/// mark, but in a copy or a stored item it is part of the text.
QString exactTextFromUtf8(QByteArrayView utf8);
