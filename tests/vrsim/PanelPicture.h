#pragma once

#include <QImage>
#include <QPainter>

// What vrsim_panel_client submits: four quarters that tell up from down and left from right, the
// bottom right one half transparent.
inline QImage panelPicture(const QSize &size)
{
    QImage image(size, QImage::Format_RGBA8888);
    const int halfWidth = size.width() / 2;
    const int halfHeight = size.height() / 2;
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(0, 0, halfWidth, halfHeight, QColor(220, 40, 40));
    painter.fillRect(halfWidth, 0, size.width() - halfWidth, halfHeight, QColor(40, 180, 60));
    painter.fillRect(0, halfHeight, halfWidth, size.height() - halfHeight, QColor(40, 80, 220));
    painter.fillRect(
        halfWidth, halfHeight, size.width() - halfWidth, size.height() - halfHeight, QColor(255, 255, 255, 96));
    return image;
}
