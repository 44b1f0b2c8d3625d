#pragma once

#include "Clock.h"
#include "StoredRecord.h"

#include <QColor>
#include <QDateTime>
#include <QList>
#include <QString>

#include <memory>

class ModelContext;

/// A user category that history items can be filed under.
class ClipCategory final : public StoredRecord {
public:
    struct Default {
        QString name;
        QString colorHex;
        QString icon;
    };
    /// The default set; a category's position in it is its sort order.
    static const QList<Default> defaults;

    ClipCategory(const QString &name, const QString &colorHex, const QString &icon, int sortOrder, bool isDefault,
        const QDateTime &createdAt = Clock::system().now());
    static std::shared_ptr<ClipCategory> create(const QString &name, const QString &colorHex, const QString &icon,
        int sortOrder, bool isDefault, const QDateTime &createdAt = Clock::system().now());

    RecordType recordType() const override { return RecordType::clipCategory; }

    const QString &name() const { return m_name; }
    void setName(const QString &name);
    const QString &colorHex() const { return m_colorHex; }
    void setColorHex(const QString &colorHex);
    const QString &icon() const { return m_icon; }
    void setIcon(const QString &icon);
    int sortOrder() const { return m_sortOrder; }
    void setSortOrder(int sortOrder);
    bool isDefault() const { return m_isDefault; }
    const QDateTime &createdAt() const { return m_createdAt; }

    /// The category colour, blue when `colorHex` is not a colour.
    QColor color() const;

    /// Inserts a fresh copy of the default set and saves once, whatever categories exist already.
    static void insertDefaults(ModelContext &context);

private:
    friend class ModelContainer;

    struct Stored {
        QUuid id;
        QString name;
        QString colorHex;
        QString icon;
        int sortOrder;
        bool isDefault;
        QDateTime createdAt;
    };
    explicit ClipCategory(Stored &&stored);

    QString m_name;
    QString m_colorHex;
    QString m_icon;
    int m_sortOrder;
    bool m_isDefault;
    QDateTime m_createdAt;
};
