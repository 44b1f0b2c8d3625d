#include "AccessibleTree.h"

#include <QDebug>
#include <QProcess>

QString AccessibleTree::probe()
{
    return QStringLiteral(QUILLBOX_SOURCE_DIR "/tests/support/atspi-probe.py");
}

AccessibleTree AccessibleTree::of(const QString &application)
{
    QProcess probeRun;
    probeRun.start(QStringLiteral("/usr/bin/python3"), {probe(), QStringLiteral("tree"), application});
    if (!probeRun.waitForFinished(20000) || probeRun.exitCode() != 0) {
        qWarning().noquote() << probeRun.readAllStandardError();
        return {};
    }
    AccessibleTree tree;
    for (const QByteArray &line : probeRun.readAllStandardOutput().split('\n')) {
        const QStringList fields = QString::fromUtf8(line).split(u'\t');
        if (fields.size() == 5)
            tree.nodes.append(
                {fields[0].toInt(), fields[1], fields[2], fields[3], fields[4].split(u',', Qt::SkipEmptyParts)});
    }
    return tree;
}

QList<AccessibleTree::Node> AccessibleTree::withRole(const QString &role) const
{
    QList<Node> found;
    for (const Node &node : nodes) {
        if (node.role == role)
            found.append(node);
    }
    return found;
}

AccessibleTree AccessibleTree::window(const QString &title) const
{
    AccessibleTree subtree;
    for (qsizetype i = 0; i < nodes.size(); ++i) {
        if (nodes[i].role != QLatin1String("frame") || nodes[i].name != title)
            continue;
        subtree.nodes.append(nodes[i]);
        for (qsizetype j = i + 1; j < nodes.size() && nodes[j].depth > nodes[i].depth; ++j)
            subtree.nodes.append(nodes[j]);
        break;
    }
    return subtree;
}

QStringList AccessibleTree::unnamedControls() const
{
    static const QStringList controls = {QStringLiteral("push button"), QStringLiteral("toggle button"),
        QStringLiteral("check box"), QStringLiteral("radio button"), QStringLiteral("page tab"), QStringLiteral("text"),
        QStringLiteral("combo box"), QStringLiteral("slider"), QStringLiteral("spin button"),
        QStringLiteral("menu item"), QStringLiteral("list item")};
    QStringList unnamed;
    for (qsizetype i = 0; i < nodes.size(); ++i) {
        // What is not on screen (another tab, a closed dialog) is not read either.
        if (controls.contains(nodes[i].role) && nodes[i].states.contains(QLatin1String("showing"))
            && nodes[i].name.trimmed().isEmpty())
            unnamed.append(QStringLiteral("%1 at %2").arg(nodes[i].role).arg(i));
    }
    return unnamed;
}
