#include "platform/Image.h"

#include <QPainter>

#include "platform/Twips.h"

namespace platform {

namespace {

class ImageWidget : public QWidget {
public:
    ImageWidget(QWidget* parent, const Picture& picture) : QWidget(parent), picture_(picture) {
        setAttribute(Qt::WA_OpaquePaintEvent, false);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (picture_.isNull()) {
            return;
        }
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect(), picture_.image());
    }

private:
    const Picture& picture_;
};

}  // namespace

Image::Image(QWidget* parent, bool stretch)
    : Control(new ImageWidget(parent, picture_)), stretch_(stretch) {}

void Image::setPicture(const Picture& picture) {
    picture_ = picture;
    if (!stretch_ && !picture.isNull()) {
        setWidth(toTwips(picture.naturalSize().width()));
        setHeight(toTwips(picture.naturalSize().height()));
    }
    widget()->update();
}

}  // namespace platform
