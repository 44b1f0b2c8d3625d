#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <xcb/xcb.h>

#include <cstdint>

/// Names the targets a selection owner offers, out of the atoms of its TARGETS answer.
///
/// Atoms live as long as the X server, so their names are cached, up to a bound: an owner that
/// offers new atoms on every change must not grow the cache without end.
class X11TargetNames {
public:
    X11TargetNames(xcb_connection_t *connection, qsizetype maxCachedNames);

    /// The offered targets by name; atoms the server cannot name are left out.
    QHash<QString, std::uint32_t> offered(const QByteArray &targets);

private:
    xcb_connection_t *m_connection;
    const qsizetype m_maxCachedNames;
    QHash<std::uint32_t, QString> m_names;
};
