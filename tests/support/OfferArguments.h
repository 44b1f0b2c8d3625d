#pragma once

#include <QByteArray>
#include <QFile>
#include <QMap>
#include <QStringList>

#include <optional>

/// The command line of the tests' clipboard sources (wl-offer, qt-offer): pairs of a format and its
/// value ("@path" for a file's bytes), and "--stall".
struct OfferArguments {
    QMap<QString, QByteArray> formats;
    bool stall = false;

    /// Nothing when a format has no value or a file cannot be read.
    static std::optional<OfferArguments> parse(const QStringList &arguments)
    {
        OfferArguments parsed;
        for (qsizetype i = 0; i < arguments.size(); ++i) {
            if (arguments[i] == QLatin1String("--stall")) {
                parsed.stall = true;
                continue;
            }
            if (i + 1 == arguments.size())
                return std::nullopt;
            const QString &value = arguments[++i];
            if (!value.startsWith(u'@')) {
                parsed.formats.insert(arguments[i - 1], value.toUtf8());
                continue;
            }
            QFile file(value.mid(1));
            if (!file.open(QIODevice::ReadOnly))
                return std::nullopt;
            parsed.formats.insert(arguments[i - 1], file.readAll());
        }
        return parsed;
    }
};
