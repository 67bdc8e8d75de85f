#include "platform/Line.h"

#include "platform/Twips.h"

namespace platform {

Line::Line(QWidget* parent, float x1, float x2, float y, const QColor& color, int widthPixels)
    : Control(new QWidget(parent)), color_(color), widthPixels_(widthPixels) {
    QPalette palette = widget()->palette();
    palette.setColor(QPalette::Window, color);
    widget()->setPalette(palette);
    widget()->setAutoFillBackground(true);
    Move(x1, y, x2 - x1, toTwips(widthPixels));
}

}  // namespace platform
