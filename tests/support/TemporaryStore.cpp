#include "TemporaryStore.h"

#include <QTest>

TemporaryStore::TemporaryStore(Clock &clock)
    : m_clock(clock)
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
