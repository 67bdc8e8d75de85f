#include "platform/Image.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include <cstdlib>

#include "platform/Twips.h"

namespace platform {

namespace {

class ImageWidget : public QWidget {
public:
    ImageWidget(QWidget* parent, const Picture& picture, std::function<void()> onClick)
        : QWidget(parent), picture_(picture), onClick_(std::move(onClick)) {}

protected:
    void paintEvent(QPaintEvent*) override {
        if (picture_.isNull()) {
            return;
        }
        // In device pixels, so that the painter never resamples what is drawn: a picture the
        // size of its place on the screen goes down pixel for pixel at any scale factor.
        const qreal ratio = devicePixelRatioF();
        const QSize target = (QSizeF(size()) * ratio).toSize();
        QPainter painter(this);
        painter.scale(1 / ratio, 1 / ratio);
        const QImage& image = picture_.image();
        if (target.width() > image.width() + 1 && target.height() > image.height() + 1) {
            // Enlarged as it is drawn, over the part repainted only: a copy the size of the
            // screen would cost more memory than the picture itself (130 MB on an 8K screen).
            scaled_ = QImage();
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(QRect(QPoint(0, 0), target), image);
            return;
        }
        const QImage& shown = drawn(target);
        painter.drawImage(
            QPoint((target.width() - shown.width()) / 2, (target.height() - shown.height()) / 2),
            shown);
    }

    void mouseReleaseEvent(QMouseEvent* event) override {
        // A click is a press and a release over the picture, as with a button.
        if (onClick_ && event->button() == Qt::LeftButton &&
            rect().contains(event->position().toPoint())) {
            onClick_();
            return;
        }
        QWidget::mouseReleaseEvent(event);
    }

private:
    // The picture at the size it covers on the screen in device pixels, reduced smoothly once
    // rather than on every repaint (the thumbnail sheet repaints all its cells after each new
    // thumbnail). One within a pixel of it is the picture decoded for this place, its size
    // rounded otherwise than the place's: it is drawn as it is, not resampled for that pixel.
    const QImage& drawn(QSize target) {
        const QImage& image = picture_.image();
        if (target.isEmpty() || (std::abs(image.width() - target.width()) <= 1 &&
                                 std::abs(image.height() - target.height()) <= 1)) {
            scaled_ = QImage();
            return image;
        }
        if (scaled_.isNull() || scaled_.size() != target || scaledFrom_ != image.cacheKey()) {
            scaled_ = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            scaledFrom_ = image.cacheKey();
        }
        return scaled_.isNull() ? image : scaled_;
    }

    const Picture& picture_;
    std::function<void()> onClick_;
    QImage scaled_;
    qint64 scaledFrom_ = 0;
};

}  // namespace

Image::Image(QWidget* parent, bool stretch, std::function<void()> onClick)
    : Control(new ImageWidget(parent, picture_, std::move(onClick))), stretch_(stretch) {}

void Image::setPicture(const Picture& picture) {
    picture_ = picture;
    if (!stretch_ && !picture.isNull()) {
        setWidth(toTwips(picture.naturalSize().width()));
        setHeight(toTwips(picture.naturalSize().height()));
    }
    widget()->update();
}

void Image::setMouseIcon(const QCursor& cursor) {
    widget()->setCursor(cursor);
}

QCursor remotePointer() {
    // Made once: every cell of every thumbnail sheet wears it, and each cursor made from a
    // picture costs the window system one of its own. Never destroyed, since it must not
    // outlive the application object as a static would.
    static const QCursor* pointer =
        new QCursor(QPixmap(QStringLiteral(":/remote.cur")), 16, 0);  // the top edge's tip
    return *pointer;
}

}  // namespace platform
