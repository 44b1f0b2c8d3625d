#pragma once

class ModelContext;

/// The categories and paste templates a new store starts with.
class DefaultDataSeeder {
public:
    /// Each inserts its default set into a store that holds none of that kind, and says so on
    /// standard output.
    static void seedCategories(ModelContext &context);
    static void seedTemplates(ModelContext &context);
};
