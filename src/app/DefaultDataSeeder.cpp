#include "DefaultDataSeeder.h"

#include "model/ClipCategory.h"
#include "model/ModelContext.h"
#include "model/PasteTemplate.h"
#include "services/ConsoleLog.h"

namespace {

// Inserts the record type's default set into a store that holds none of that type.
template <class Record> bool seedWhenEmpty(ModelContext &context)
{
    if (context.count<Record>() > 0)
        return false;
    Record::insertDefaults(context);
    return true;
}

} // namespace

void DefaultDataSeeder::seedCategories(ModelContext &context)
{
    if (seedWhenEmpty<ClipCategory>(context))
        printLine(QStringLiteral("[Quillbox] Seeded %1 default categories").arg(ClipCategory::defaults.size()));
}

void DefaultDataSeeder::seedTemplates(ModelContext &context)
{
    if (seedWhenEmpty<PasteTemplate>(context))
        printLine(QStringLiteral("[Quillbox] Seeded %1 default templates").arg(PasteTemplate::defaults.size()));
}
