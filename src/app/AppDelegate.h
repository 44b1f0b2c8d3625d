#pragma once

#include <QObject>

#include <memory>

class ClipboardMonitor;
class ModelContainer;
class Pasteboard;
class Workspace;

/// Builds the running application in a fixed order and takes it down again.
class AppDelegate : public QObject {
    Q_OBJECT

public:
    AppDelegate(Pasteboard &pasteboard, Workspace &workspace, QObject *parent = nullptr);
    ~AppDelegate() override;

    void applicationDidFinishLaunching();
    void applicationWillTerminate();

    ModelContainer *modelContainer() const { return m_modelContainer.get(); }
    ClipboardMonitor *clipboardMonitor() const { return m_clipboardMonitor.get(); }

    /// Inserts the default categories, and the default templates, into a store that has none.
    void seedDefaultCategories();
    void seedDefaultTemplates();

private:
    void setupModelContainer();
    void startClipboardMonitoring();

    Pasteboard &m_pasteboard;
    Workspace &m_workspace;
    std::unique_ptr<ModelContainer> m_modelContainer;
    std::unique_ptr<ClipboardMonitor> m_clipboardMonitor;
};
