#pragma once

#include <QQuickItem>
#include <QString>

// Items made by a Repeater are not the QObject children of the document's
// items, so findChild misses them; this looks a name up through the item tree.
inline QQuickItem *findItem(QQuickItem *parent, const QString &name)
{
    for (QQuickItem *child : parent->childItems()) {
        if (child->objectName() == name)
            return child;
        if (QQuickItem *found = findItem(child, name))
            return found;
    }
    return nullptr;
}
