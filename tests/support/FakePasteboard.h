#pragma once

#include "capture/Pasteboard.h"

/// An in-memory clipboard. `copy` plays another program copying; writes made through the
/// Pasteboard interface replace the content like on the real clipboard.
class FakePasteboard : public Pasteboard {
    Q_OBJECT

public:
    qint64 changeCount() const override { return m_changeCount; }
    QList<PasteboardItem> pasteboardItems() const override;

    void copy(const MimeFormats &formats);
    void copyText(const QString &text);
    /// The owner of the content went away, and this program keeps the clipboard.
    void abandon();
    const MimeFormats &content() const { return m_content; }
    const MimeFormats &primary() const { return m_primary; }
    void clearPrimary() { m_primary.clear(); }
    /// Turned on again, the copy passed over is read at once.
    void setReadsForeignCopies(bool reads) override;
    bool hasUnreadCopy() const override { return m_passedOver.has_value(); }
    bool readsForeignCopies() const { return m_readsForeignCopies; }
    /// As where the desktop does not say who copied: copies are concealed while a program never
    /// recorded is in front.
    void setFrontmostApplication(const QStringList &names) override { m_frontmost = names; }

protected:
    void beginOwnChange() override;
    void offer(const MimeFormats &formats) override;
    void offerPrimary(const MimeFormats &formats) override { m_primary = formats; }

private:
    qint64 m_changeCount = 0;
    MimeFormats m_content;
    MimeFormats m_primary;
    bool m_readsForeignCopies = true;
    QStringList m_frontmost;
    std::optional<MimeFormats> m_passedOver;
};
