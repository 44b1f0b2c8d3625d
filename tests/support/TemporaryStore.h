#pragma once

#include "model/ClipCategory.h"
#include "model/ClipboardItem.h"
#include "model/ModelContainer.h"
#include "model/ModelContext.h"

#include <QTemporaryDir>

#include <memory>

/// A store in a fresh temporary folder, removed with the object.
class TemporaryStore {
public:
    /// `clock` must outlive the store. The file goes in `folder` when one is given.
    explicit TemporaryStore(Clock &clock = Clock::system(), const QString &folder = {});

    QString path() const { return m_folder + QStringLiteral("/Quillbox.sqlite"); }
    /// Opens the file (again); fails the test when it cannot.
    ModelContainer &open();
    /// Closes the container, so the next `open()` reads the file afresh.
    void close() { m_container.reset(); }
    /// Closes and opens again: what a later run of the program would read.
    ModelContainer &reopen()
    {
        close();
        return open();
    }
    ModelContext &context() { return m_container->mainContext(); }
    ModelContainer &container() { return *m_container; }

    /// A saved item (no image) and a saved category, as the panel tests build their histories.
    std::shared_ptr<ClipboardItem> add(const QString &content, ClipboardItemType type = ClipboardItemType::text,
        bool pinned = false, std::optional<QUuid> categoryId = {}, std::optional<QString> app = {});
    std::shared_ptr<ClipCategory> addCategory(const QString &name, int sortOrder = 0);

private:
    Clock &m_clock;
    QTemporaryDir m_dir;
    QString m_folder;
    std::unique_ptr<ModelContainer> m_container;
};
