#pragma once

#include <QColor>

#include "platform/Control.h"

namespace platform {

// A horizontal line from (x1, y) to (x2, y), in twips, of a colour and a width in pixels.
class Line : public Control {
public:
    Line(QWidget* parent, float x1, float x2, float y, const QColor& color, int widthPixels);

    QColor BorderColor() const { return color_; }
    int BorderWidth() const { return widthPixels_; }

private:
    QColor color_;
    int widthPixels_;
};

}  // namespace platform
