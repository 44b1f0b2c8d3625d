#pragma once

#include "model/ClipboardItem.h"
#include "model/Clock.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <memory>

class ModelContext;
class PasteTemplate;

/// Combines the panel's multi-selection into one text through a paste template, with a live preview.
/// It stores nothing: the text leaves through `pasteRequested`, giving up through `cancelRequested`;
/// the caller removes the panel in answer to either. One object lives for one showing of the panel.
class CombinePanel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Opened by ClipboardHistoryView")
    Q_PROPERTY(QString preview READ preview NOTIFY previewChanged)
    Q_PROPERTY(int itemCount READ itemCount CONSTANT)
    /// Template names in `sortOrder` order, one chip each.
    Q_PROPERTY(QStringList templateNames READ templateNames NOTIFY templatesChanged)
    /// The chip drawn as chosen: `selectedTemplateIndex`, or the default while it is -1.
    Q_PROPERTY(int effectiveIndex READ effectiveIndex NOTIFY selectedTemplateIndexChanged)

public:
    /// `templates` are read live from `context`.
    CombinePanel(ModelContext &context, QList<std::shared_ptr<ClipboardItem>> items, Clock &clock = Clock::system(),
        QObject *parent = nullptr);
    ~CombinePanel() override;

    QString preview() const { return m_preview; }
    int itemCount() const { return int(m_items.size()); }
    QStringList templateNames() const;
    int selectedTemplateIndex() const { return m_selectedTemplateIndex; }
    int defaultTemplateIndex() const;
    int effectiveIndex() const;
    std::shared_ptr<PasteTemplate> selectedTemplate() const;
    /// One text per item, in item order, as the templates see them.
    QStringList itemTexts() const;

    /// Shown: computes the preview and installs the key monitor.
    void shown();
    /// The key monitor is an application event filter; its host removes it while the panel is off
    /// screen, so keys meant for other windows never reach it.
    void setupKeyMonitor();
    void removeKeyMonitor();
    Q_INVOKABLE void updatePreview();
    Q_INVOKABLE void nextTemplate();
    Q_INVOKABLE void previousTemplate();
    Q_INVOKABLE void clickChip(int index);
    /// "Paste ↩" and Return.
    Q_INVOKABLE void paste();
    /// "Cancel" and Escape.
    Q_INVOKABLE void cancel();

    /// The key-down monitor on its own: true swallows the key (its action queued).
    bool monitorKeyDown(int key);

signals:
    void previewChanged();
    void templatesChanged();
    void selectedTemplateIndexChanged();
    void pasteRequested(const QString &text);
    void cancelRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setSelectedTemplateIndex(int index);

    ModelContext &m_context;
    QList<std::shared_ptr<ClipboardItem>> m_items;
    Scheduler m_schedule;
    int m_selectedTemplateIndex = -1;
    QString m_preview;
    bool m_keyMonitorInstalled = false;
};
