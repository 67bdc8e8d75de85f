#include "platform/PictureBox.h"

#include <QLabel>

namespace platform {

PictureBox::PictureBox(QWidget* parent) : Control(new QLabel(parent)) {
    static_cast<QLabel*>(widget())->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void PictureBox::setIcon(const QIcon& icon, int sizePixels) {
    static_cast<QLabel*>(widget())->setPixmap(icon.pixmap(sizePixels, sizePixels));
}

void PictureBox::setMousePointer(int pointer) {
    mousePointer_ = pointer;
    if (pointer == Hourglass) {
        widget()->setCursor(Qt::WaitCursor);
    } else {
        widget()->unsetCursor();
    }
}

}  // namespace platform
