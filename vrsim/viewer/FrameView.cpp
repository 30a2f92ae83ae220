#include "FrameView.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace vrsim {

namespace {

constexpr int kMargin = 8;
constexpr int kCheckerSide = 12;

QPixmap checkerTile()
{
    QPixmap tile(2 * kCheckerSide, 2 * kCheckerSide);
    tile.fill(QColor(0xcc, 0xcc, 0xcc));
    QPainter painter(&tile);
    const QColor dark(0x99, 0x99, 0x99);
    painter.fillRect(0, 0, kCheckerSide, kCheckerSide, dark);
    painter.fillRect(kCheckerSide, kCheckerSide, kCheckerSide, kCheckerSide, dark);
    return tile;
}

} // namespace

FrameView::FrameView(QWidget *parent)
    : QWidget(parent)
    , m_checker(checkerTile())
{
    setMouseTracking(true);
    setMinimumSize(160, 120);
}

void FrameView::setFrame(const QImage &frame)
{
    m_frame = frame;
    update();
}

void FrameView::setPanelSize(const QSizeF &size)
{
    if (size == m_panelSize)
        return;
    m_panelSize = size;
    update();
}

QRectF FrameView::panelRect() const
{
    // The picture sets the shape; before the first frame the mouse scale stands in for it.
    const QSizeF shape = m_frame.isNull() ? m_panelSize : QSizeF(m_frame.size());
    const QRectF area = QRectF(rect()).adjusted(kMargin, kMargin, -kMargin, -kMargin);
    if (shape.isEmpty() || area.isEmpty())
        return QRectF();
    const QSizeF fitted = shape.scaled(area.size(), Qt::KeepAspectRatio);
    QRectF placed(QPointF(), fitted);
    placed.moveCenter(area.center());
    return placed;
}

void FrameView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const QRectF target = panelRect();
    if (target.isEmpty())
        return;
    painter.setBrushOrigin(target.topLeft());
    painter.fillRect(target, QBrush(m_checker));
    if (m_frame.isNull()) {
        painter.drawText(target, Qt::AlignCenter, tr("No frame yet"));
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_frame);
}

QPointF FrameView::toPanel(const QPointF &widgetPosition) const
{
    const QRectF target = panelRect();
    const double x = (widgetPosition.x() - target.left()) / target.width();
    const double y = (widgetPosition.y() - target.top()) / target.height();
    return QPointF(std::clamp(x, 0.0, 1.0) * m_panelSize.width(), std::clamp(y, 0.0, 1.0) * m_panelSize.height());
}

void FrameView::mouseMoveEvent(QMouseEvent *event)
{
    const QRectF target = panelRect();
    if (target.isEmpty() || m_panelSize.isEmpty())
        return;
    // Off the panel the pointer only counts while it drags.
    if (!m_held && !target.contains(event->localPos()))
        return;
    emit pointerMoved(toPanel(event->localPos()));
}

void FrameView::mousePressEvent(QMouseEvent *event)
{
    const QRectF target = panelRect();
    if (target.isEmpty() || m_panelSize.isEmpty() || !target.contains(event->localPos()))
        return;
    m_held |= event->button();
    emit buttonPressed(event->button(), toPanel(event->localPos()));
}

void FrameView::mouseReleaseEvent(QMouseEvent *event)
{
    if (!(m_held & event->button()))
        return;
    m_held &= ~event->button();
    if (panelRect().isEmpty() || m_panelSize.isEmpty())
        return;
    emit buttonReleased(event->button(), toPanel(event->localPos()));
}

} // namespace vrsim
