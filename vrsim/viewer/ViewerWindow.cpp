#include "ViewerWindow.h"

#include "FrameView.h"
#include "OverlayList.h"
#include "Runtime.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

namespace vrsim {

namespace {

constexpr int kRefreshDelayMs = 30;

int vrButton(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return vr::VRMouseButton_Left;
    case Qt::RightButton:
        return vr::VRMouseButton_Right;
    case Qt::MiddleButton:
        return vr::VRMouseButton_Middle;
    default:
        return 0;
    }
}

} // namespace

ViewerWindow::ViewerWindow(Runtime &runtime, QWidget *parent)
    : QWidget(parent)
    , m_runtime(runtime)
    , m_feed(runtime)
    , m_list(new OverlayList)
    , m_frame(new FrameView)
    , m_dashboard(new QPushButton)
    , m_caption(new QLabel)
    , m_refusal(new QLabel)
{
    setWindowTitle(tr("vrsim viewer"));
    resize(1000, 560);

    m_dashboard->setCheckable(true);
    auto *side = new QWidget;
    auto *sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    sideLayout->addWidget(m_list);
    sideLayout->addWidget(m_dashboard);

    m_refusal->setStyleSheet(QStringLiteral("color: #b00020"));
    auto *panel = new QWidget;
    auto *panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->addWidget(m_frame, 1);
    panelLayout->addWidget(m_caption);
    panelLayout->addWidget(m_refusal);

    auto *splitter = new QSplitter;
    splitter->addWidget(side);
    splitter->addWidget(panel);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({300, 700});
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(splitter);

    m_refreshSoon.setSingleShot(true);
    m_refreshSoon.setInterval(kRefreshDelayMs);
    connect(&m_refreshSoon, &QTimer::timeout, this, &ViewerWindow::refresh);
    // Gathers a burst of changes into one refresh; restarting the timer on each would put the
    // refresh off for as long as changes keep coming.
    connect(&m_runtime, &Runtime::overlaysChanged, &m_refreshSoon, [this] {
        if (!m_refreshSoon.isActive())
            m_refreshSoon.start();
    });
    connect(m_list, &OverlayList::selectedHandleChanged, this, &ViewerWindow::showOverlay);
    connect(&m_feed, &FrameFeed::frameArrived, this, [this](const QImage &image) {
        m_frame->setFrame(image);
        refreshPanel();
    });
    connect(
        m_dashboard, &QPushButton::clicked, this, [this] { m_runtime.setDashboardOpen(!m_runtime.dashboardOpen()); });
    connect(m_frame, &FrameView::pointerMoved, this,
        [this](const QPointF &position) { forward(InputAction::Move, position, Qt::NoButton); });
    connect(m_frame, &FrameView::buttonPressed, this,
        [this](Qt::MouseButton button, const QPointF &position) { forward(InputAction::Down, position, button); });
    connect(m_frame, &FrameView::buttonReleased, this,
        [this](Qt::MouseButton button, const QPointF &position) { forward(InputAction::Up, position, button); });
    refresh();
}

QString ViewerWindow::inputRefusal() const
{
    return m_refusal->text();
}

void ViewerWindow::refresh()
{
    m_list->refresh(m_runtime);
    const bool open = m_runtime.dashboardOpen();
    m_dashboard->setChecked(open);
    m_dashboard->setText(open ? tr("Close dashboard") : tr("Open dashboard"));
    refreshPanel();
}

void ViewerWindow::refreshPanel()
{
    const auto it = m_runtime.overlays().find(m_feed.followed());
    if (it == m_runtime.overlays().end()) {
        m_frame->setPanelSize(QSizeF());
        m_caption->setText(m_runtime.overlays().empty() ? tr("No overlays") : QString());
        return;
    }
    const OverlayRecord &overlay = it->second;
    m_frame->setPanelSize(QSizeF(overlay.mouseScale[0], overlay.mouseScale[1]));
    const QImage &frame = m_frame->frame();
    m_caption->setText(
        tr("%1: frame %2, mouse scale %3 × %4")
            .arg(overlay.key,
                frame.isNull() ? tr("not yet submitted") : tr("%1 × %2 px").arg(frame.width()).arg(frame.height()))
            .arg(overlay.mouseScale[0])
            .arg(overlay.mouseScale[1]));
}

void ViewerWindow::showOverlay(quint64 handle)
{
    m_frame->setFrame(QImage());
    m_refusal->clear();
    m_feed.follow(handle);
    refreshPanel();
}

void ViewerWindow::updateActivity()
{
    m_feed.setActive(isVisible() && !isMinimized());
}

void ViewerWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    updateActivity();
}

void ViewerWindow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    updateActivity();
}

void ViewerWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        updateActivity();
}

void ViewerWindow::forward(InputAction action, const QPointF &panelPosition, Qt::MouseButton button)
{
    const auto it = m_runtime.overlays().find(m_feed.followed());
    if (it == m_runtime.overlays().end())
        return;
    const QString key = it->second.key;
    QString refusal;
    // A button acts where the pointer last was; make that here, as a hand would move there first.
    if (action != InputAction::Move && QPointF(it->second.mouseX, it->second.mouseY) != panelPosition)
        refusal = m_runtime.queueInput(key, InputAction::Move, panelPosition.x(), panelPosition.y(), 0);
    if (refusal.isEmpty())
        refusal = m_runtime.queueInput(key, action, panelPosition.x(), panelPosition.y(), vrButton(button));
    m_refusal->setText(refusal);
}

} // namespace vrsim
