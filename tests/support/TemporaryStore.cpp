#include "TemporaryStore.h"

#include <QTest>

TemporaryStore::TemporaryStore(Clock &clock, const QString &folder)
    : m_clock(clock)
    , m_folder(folder.isEmpty() ? m_dir.path() : folder)
{
    if (!m_dir.isValid())
        qFatal("cannot create a temporary folder");
}

ModelContainer &TemporaryStore::open()
{
    m_container.reset();
    QString error;
    m_container = ModelContainer::open(path(), &error, m_clock);
    if (!m_container)
        qFatal("cannot open the test store: %s", qPrintable(error));
    return *m_container;
}

std::shared_ptr<ClipboardItem> TemporaryStore::add(const QString &content, ClipboardItemType type, bool pinned,
    std::optional<QUuid> categoryId, std::optional<QString> app)
{
    auto item
        = ClipboardItem::create(content, type, std::nullopt, app, std::nullopt, pinned, std::nullopt, m_clock.now());
    item->setCategoryId(categoryId);
    context().insert(item);
    context().save();
    return item;
}

std::shared_ptr<ClipCategory> TemporaryStore::addCategory(const QString &name, int sortOrder)
{
    auto category = ClipCategory::create(name, "#FF0000", "folder", sortOrder, false);
    context().insert(category);
    context().save();
    return category;
}
