#include "StoredRecord.h"

#include "ModelContext.h"

StoredRecord::StoredRecord(const QUuid &id)
    : m_id(id)
{
}

StoredRecord::~StoredRecord() = default;

void StoredRecord::didChange()
{
    if (m_context)
        m_context->recordDidChange(*this);
}
