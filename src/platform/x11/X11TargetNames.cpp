#include "X11TargetNames.h"
#include "QtX11Connection.h"

#include <QLoggingCategory>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace {

Q_LOGGING_CATEGORY(lcReader, "quillbox.pasteboard.reader", QtInfoMsg)

// An owner may list any number of targets; real ones offer a few dozen at most.
constexpr std::size_t maxTargets = 1024;

} // namespace

X11TargetNames::X11TargetNames(xcb_connection_t *connection, qsizetype maxCachedNames)
    : m_connection(connection)
    , m_maxCachedNames(maxCachedNames)
{
}

QHash<QString, std::uint32_t> X11TargetNames::offered(const QByteArray &targets)
{
    std::vector<std::uint32_t> atoms(std::min<std::size_t>(targets.size() / sizeof(std::uint32_t), maxTargets));
    std::memcpy(atoms.data(), targets.constData(), atoms.size() * sizeof(std::uint32_t));

    if (m_names.size() + qsizetype(atoms.size()) > m_maxCachedNames) {
        qCDebug(lcReader) << "forgetting" << m_names.size() << "atom names: the cache is full";
        m_names.clear();
    }
    // Fetched in one batch of requests: one round trip, not one per atom.
    std::vector<std::pair<std::uint32_t, xcb_get_atom_name_cookie_t>> lookups;
    for (const std::uint32_t atom : atoms) {
        if (atom != XCB_ATOM_NONE && !m_names.contains(atom))
            lookups.emplace_back(atom, xcb_get_atom_name(m_connection, atom));
    }
    for (const auto &[atom, cookie] : lookups) {
        XcbReply<xcb_get_atom_name_reply_t> reply(xcb_get_atom_name_reply(m_connection, cookie, nullptr));
        if (reply)
            m_names.insert(atom,
                QString::fromLatin1(xcb_get_atom_name_name(reply.get()), xcb_get_atom_name_name_length(reply.get())));
    }
    QHash<QString, std::uint32_t> offered;
    for (const std::uint32_t atom : atoms) {
        const QString name = m_names.value(atom);
        if (!name.isEmpty())
            offered.insert(name, atom);
    }
    return offered;
}
