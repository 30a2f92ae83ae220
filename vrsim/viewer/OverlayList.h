#pragma once

#include <QTreeWidget>

namespace vrsim {

class Runtime;

// The runtime's overlays, one row each (thumbnails ride with their dashboard overlay), and which
// of them the viewer shows. The selection follows its overlay through refreshes; when that
// overlay goes, the first one is selected.
class OverlayList : public QTreeWidget
{
    Q_OBJECT

public:
    explicit OverlayList(QWidget *parent = nullptr);

    void refresh(const Runtime &runtime);
    // 0 when nothing is selected.
    quint64 selectedHandle() const;
    void select(quint64 handle);

signals:
    void selectedHandleChanged(quint64 handle);

private:
    void takeSelection();

    quint64 m_selected = 0;
};

} // namespace vrsim
