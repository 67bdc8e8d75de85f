#pragma once

#include "platform/Control.h"
#include "platform/Picture.h"

namespace platform {

// Shows a picture. With Stretch on it is drawn at the control's size; with Stretch off,
// assigning a picture gives the control the picture's natural size.
class Image : public Control {
public:
    explicit Image(QWidget* parent, bool stretch);

    const Picture& picture() const { return picture_; }
    void setPicture(const Picture& picture);
    bool Stretch() const { return stretch_; }

private:
    Picture picture_;
    bool stretch_;
};

}  // namespace platform
