#pragma once

#include <QCursor>

#include <functional>

#include "platform/Control.h"
#include "platform/Picture.h"

namespace platform {

// Shows a picture. With Stretch on it is drawn at the control's size; with Stretch off,
// assigning a picture gives the control the picture's natural size. A click runs `onClick`.
class Image : public Control {
public:
    explicit Image(QWidget* parent, bool stretch, std::function<void()> onClick = {});

    const Picture& picture() const { return picture_; }
    void setPicture(const Picture& picture);
    bool Stretch() const { return stretch_; }
    // A pointer of its own while the mouse is over the picture.
    void setMouseIcon(const QCursor& cursor);

private:
    Picture picture_;
    bool stretch_;
};

// The remote-control pointer shown over the pictures that steer the show.
QCursor remotePointer();

}  // namespace platform
