#include "OverlayImage.h"

#include <QImage>
#include <QImageReader>

namespace vrsim {

namespace {

constexpr int kMaxWidth = 1920;
constexpr int kMaxHeight = 1080;

} // namespace

vr::EVROverlayError checkOverlayImage(const QString &path)
{
    QImageReader reader(path);
    // Judged by content, not by the file's name.
    reader.setDecideFormatFromContent(true);
    const QByteArray format = reader.format();
    if (format != "png" && format != "jpeg")
        return vr::VROverlayError_UnableToLoadFile;
    const QSize size = reader.size();
    if (size.width() > kMaxWidth || size.height() > kMaxHeight)
        return vr::VROverlayError_InvalidParameter;
    if (reader.read().isNull())
        return vr::VROverlayError_UnableToLoadFile;
    return vr::VROverlayError_None;
}

} // namespace vrsim
