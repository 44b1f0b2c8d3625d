#pragma once

#include <QColor>
#include <QString>

#include <optional>

/// The colour written as #RRGGBB: surrounding white space and every "#" are ignored, then exactly six
/// hexadecimal digits must remain. Short (#RGB) and alpha (#RRGGBBAA) forms give no colour.
std::optional<QColor> colorFromHex(const QString &text);
