#pragma once

#include "StoredRecord.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class ModelContext;

/// How several texts are joined into one: a separator between items, a prefix and suffix around
/// each item, and a prefix and suffix around the whole. All fields are literal text.
class PasteTemplate final : public StoredRecord {
public:
    struct Default {
        QString name;
        QString separator;
        QString itemPrefix;
        QString itemSuffix;
        QString wrapPrefix;
        QString wrapSuffix;
    };
    /// The default set; a template's position in it is its sort order.
    static const QList<Default> defaults;

    PasteTemplate(const QString &name, const QString &separator, const QString &itemPrefix, const QString &itemSuffix,
        const QString &wrapPrefix, const QString &wrapSuffix, int sortOrder, bool isDefault);
    static std::shared_ptr<PasteTemplate> create(const Default &fields, int sortOrder, bool isDefault);

    RecordType recordType() const override { return RecordType::pasteTemplate; }

    const QString &name() const { return m_name; }
    const QString &separator() const { return m_separator; }
    const QString &itemPrefix() const { return m_itemPrefix; }
    const QString &itemSuffix() const { return m_itemSuffix; }
    const QString &wrapPrefix() const { return m_wrapPrefix; }
    const QString &wrapSuffix() const { return m_wrapSuffix; }
    int sortOrder() const { return m_sortOrder; }
    bool isDefault() const { return m_isDefault; }

    /// Joins the items; nothing is trimmed, escaped or quoted beyond the template's own fields.
    QString combine(const QStringList &items) const;

    /// Inserts the default set and saves once.
    static void insertDefaults(ModelContext &context);

private:
    friend class ModelContainer;

    struct Stored {
        QUuid id;
        Default fields;
        int sortOrder;
        bool isDefault;
    };
    explicit PasteTemplate(Stored &&stored);

    QString m_name;
    QString m_separator;
    QString m_itemPrefix;
    QString m_itemSuffix;
    QString m_wrapPrefix;
    QString m_wrapSuffix;
    int m_sortOrder;
    bool m_isDefault;
};
