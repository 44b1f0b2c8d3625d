#include "CanberraSoundPlayer.h"

#include <QLoggingCategory>

#include <canberra.h>

namespace {
Q_LOGGING_CATEGORY(lcSound, "quillbox.sound", QtInfoMsg)
}

CanberraSoundPlayer::~CanberraSoundPlayer()
{
    if (m_context)
        ca_context_destroy(m_context);
}

void CanberraSoundPlayer::playNavigationClick()
{
    play("audio-volume-change", "Selection moved");
}

void CanberraSoundPlayer::playCopySound()
{
    play("message-new-instant", "Copy added to the history");
}

void CanberraSoundPlayer::play(const char *eventId, const char *description)
{
    // Created on first use: connecting to the sound server costs time the launch should not spend.
    if (!m_context && !m_contextFailed) {
        int result = ca_context_create(&m_context);
        if (result == CA_SUCCESS) {
            result = ca_context_change_props(m_context, CA_PROP_APPLICATION_NAME, "Quillbox", CA_PROP_APPLICATION_ID,
                "io.quillbox.Quillbox", CA_PROP_CANBERRA_XDG_THEME_NAME, "freedesktop", nullptr);
        }
        if (result != CA_SUCCESS) {
            if (m_context)
                ca_context_destroy(m_context);
            m_context = nullptr;
            m_contextFailed = true;
            reportFailure("create a context", result);
        }
    }
    if (!m_context)
        return;
    // Playback runs on libcanberra's own thread; the call returns at once.
    const int result = ca_context_play(m_context, 0, CA_PROP_EVENT_ID, eventId, CA_PROP_EVENT_DESCRIPTION, description,
        CA_PROP_CANBERRA_CACHE_CONTROL, "volatile", nullptr);
    if (result == CA_SUCCESS)
        return;
    reportFailure("play an event sound", result);
    // Without an output device or the theme's sound every later call fails the same way, and the
    // ALSA backend writes its complaint to stderr each time.
    if (result == CA_ERROR_NOTFOUND || result == CA_ERROR_NODRIVER) {
        ca_context_destroy(m_context);
        m_context = nullptr;
        m_contextFailed = true;
    }
}

void CanberraSoundPlayer::reportFailure(const char *what, int code)
{
    if (m_failureReported)
        return;
    m_failureReported = true;
    qCDebug(lcSound) << "cannot" << what << "with libcanberra:" << ca_strerror(code);
}
