#include "OverlayList.h"

#include "Runtime.h"

#include <QHeaderView>
#include <QSignalBlocker>

namespace vrsim {

namespace {

enum Column {
    Key,
    Shown,
    Alpha,
    Kind,
};

constexpr int kHandleRole = Qt::UserRole;

quint64 handleOf(const QTreeWidgetItem *item)
{
    return item ? item->data(Key, kHandleRole).toULongLong() : 0;
}

} // namespace

OverlayList::OverlayList(QWidget *parent)
    : QTreeWidget(parent)
{
    setHeaderLabels({tr("Key"), tr("Shown"), tr("Alpha"), tr("Kind")});
    setRootIsDecorated(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAllColumnsShowFocus(true);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(Key, QHeaderView::Stretch);
    for (int column : {Shown, Alpha, Kind})
        header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    connect(this, &QTreeWidget::itemSelectionChanged, this, &OverlayList::takeSelection);
}

void OverlayList::refresh(const Runtime &runtime)
{
    {
        const QSignalBlocker blocker(this);
        clear();
        for (const auto &[handle, overlay] : runtime.overlays()) {
            if (overlay.thumbnail)
                continue;
            auto *item = new QTreeWidgetItem(this);
            item->setText(Key, overlay.key);
            item->setToolTip(Key, overlay.name);
            item->setData(Key, kHandleRole, handle);
            item->setText(Shown, overlay.visible ? tr("yes") : tr("no"));
            item->setText(Alpha, QString::number(overlay.alpha, 'f', 2));
            item->setText(Kind, overlay.dashboard ? tr("dashboard") : tr("world"));
            if (handle == m_selected)
                setCurrentItem(item);
        }
        if (!currentItem() && topLevelItemCount() > 0)
            setCurrentItem(topLevelItem(0));
    }
    takeSelection();
}

quint64 OverlayList::selectedHandle() const
{
    return m_selected;
}

void OverlayList::takeSelection()
{
    const QList<QTreeWidgetItem *> selected = selectedItems();
    const quint64 handle = selected.isEmpty() ? 0 : handleOf(selected.first());
    if (handle == m_selected)
        return;
    m_selected = handle;
    emit selectedHandleChanged(handle);
}

void OverlayList::select(quint64 handle)
{
    for (int row = 0; row < topLevelItemCount(); ++row) {
        if (handleOf(topLevelItem(row)) == handle) {
            setCurrentItem(topLevelItem(row));
            return;
        }
    }
}

} // namespace vrsim
