#include "platform/Control.h"

#include <QTextDocument>

#include "platform/Twips.h"

namespace platform {

void Control::setLeft(float twips) {
    left_ = twips;
    place();
}

void Control::setTop(float twips) {
    top_ = twips;
    place();
}

void Control::setWidth(float twips) {
    width_ = twips;
    place();
}

void Control::setHeight(float twips) {
    height_ = twips;
    place();
}

void Control::Move(float left, float top, float width, float height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    place();
}

void Control::setVisible(bool visible) {
    visible_ = visible;
    widget_->setVisible(visible);
}

void Control::setToolTipText(const QString& text) {
    // Text that cannot pass for markup is shown as it is; the rest goes as escaped markup,
    // spaces kept, so that it reads exactly as written.
    widget_->setToolTip(
        Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpacePre) : text);
}

void Control::place() {
    // Both edges are rounded, so neighbouring controls meet without a gap.
    const int x = toPixels(left_);
    const int y = toPixels(top_);
    widget_->setGeometry(x, y, std::max(0, toPixels(left_ + width_) - x),
                         std::max(0, toPixels(top_ + height_) - y));
}

}  // namespace platform
