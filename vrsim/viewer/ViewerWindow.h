#pragma once

#include "FrameFeed.h"
#include "Message.h"

#include <QTimer>
#include <QWidget>

class QLabel;
class QPushButton;

namespace vrsim {

class FrameView;
class OverlayList;
class Runtime;

// The runtime seen from a desktop: its overlays, the selected one's latest frame, the dashboard
// switch. The mouse over the frame reaches the overlay as `vrsim input` would send it, refusals
// included. Frames are wanted only for the overlay on screen, and only while the window is.
class ViewerWindow : public QWidget
{
    Q_OBJECT

public:
    explicit ViewerWindow(Runtime &runtime, QWidget *parent = nullptr);

    OverlayList *overlayList() const { return m_list; }
    FrameView *frameView() const { return m_frame; }
    QPushButton *dashboardButton() const { return m_dashboard; }
    // Why the last mouse event did not reach the overlay; empty when it did.
    QString inputRefusal() const;
    const FrameFeed &feed() const { return m_feed; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void refresh();
    void refreshPanel();
    void showOverlay(quint64 handle);
    void updateActivity();
    void forward(InputAction action, const QPointF &panelPosition, Qt::MouseButton button);

    Runtime &m_runtime;
    FrameFeed m_feed;
    OverlayList *m_list;
    FrameView *m_frame;
    QPushButton *m_dashboard;
    QLabel *m_caption;
    QLabel *m_refusal;
    // Overlays change in bursts (an application sets up a panel in a handful of calls): one
    // refresh per burst.
    QTimer m_refreshSoon;
};

} // namespace vrsim
