#pragma once

#include "model/Clock.h"

class ClipboardItem;

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

/// A short line about what just failed, shown for a few seconds.
class PanelNotice : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("A part of ClipboardHistoryView")
    /// Empty while nothing is shown.
    Q_PROPERTY(QString text READ text NOTIFY textChanged)

public:
    /// `schedule` times the line out.
    explicit PanelNotice(Scheduler schedule, QObject *parent = nullptr);

    QString text() const { return m_text; }
    /// Shows `text` for its full time, also when it replaces a line still shown.
    void show(const QString &text);
    void clear();

    /// Why `item` could not be put on the clipboard, in words for the panel.
    static QString copyFailure(const ClipboardItem &item);
    /// The same in English, for the log.
    static QString untranslatedCopyFailure(const ClipboardItem &item);

signals:
    void textChanged();

private:
    Scheduler m_schedule;
    QString m_text;
    int m_generation = 0;
};
