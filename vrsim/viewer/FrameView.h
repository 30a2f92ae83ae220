#pragma once

#include <QImage>
#include <QPixmap>
#include <QSizeF>
#include <QWidget>

namespace vrsim {

// One overlay's latest frame, scaled to fit and centred on a checkerboard so that transparent
// parts show. The mouse over the panel comes out in panel pixels: origin top left, across the
// panel size (the overlay's mouse scale).
class FrameView : public QWidget
{
    Q_OBJECT

public:
    explicit FrameView(QWidget *parent = nullptr);

    void setFrame(const QImage &frame);
    const QImage &frame() const { return m_frame; }
    void setPanelSize(const QSizeF &size);
    // Where the panel is drawn, in widget coordinates; empty while there is no panel.
    QRectF panelRect() const;

signals:
    void pointerMoved(const QPointF &panelPosition);
    void buttonPressed(Qt::MouseButton button, const QPointF &panelPosition);
    void buttonReleased(Qt::MouseButton button, const QPointF &panelPosition);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    // Clamped to the panel's edges, so a drag that leaves the panel still ends on it.
    QPointF toPanel(const QPointF &widgetPosition) const;

    const QPixmap m_checker;
    QImage m_frame;
    QSizeF m_panelSize;
    // Buttons pressed on the panel; only their releases reach it.
    Qt::MouseButtons m_held;
};

} // namespace vrsim
