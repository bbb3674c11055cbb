// Helpers shared by the TBigView source files.
#pragma once

#include <QColor>
#include <QImage>
#include <QSize>

namespace pelto::bigview {

// The off-screen image for a text area of `logical` size, made at the screen's
// device pixel ratio so that text is drawn sharp rather than scaled up.
inline QImage MakeViewImage(QSize logical, qreal ratio, const QColor& color)
{
    QImage image(logical * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(color);
    return image;
}

// Size of the image in the view's own (device-independent) pixels.
inline QSize LogicalSize(const QImage& image)
{
    return image.deviceIndependentSize().toSize();
}

// Sets a flag for the lifetime of a scope and restores the previous value, so
// nested batch steps do not resume painting early.
class SuspendPaint {
public:
    explicit SuspendPaint(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
    ~SuspendPaint() { flag_ = old_; }
    SuspendPaint(const SuspendPaint&) = delete;
    SuspendPaint& operator=(const SuspendPaint&) = delete;

private:
    bool& flag_;
    bool old_;
};

}  // namespace pelto::bigview
