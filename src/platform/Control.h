#pragma once

#include <QWidget>

namespace platform {

// Geometry of a control in twips over the Qt widget that draws it. Values read back exactly as
// they were set; the widget is placed at the nearest pixel.
class Control {
public:
    explicit Control(QWidget* widget) : widget_(widget) {}
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    float Left() const { return left_; }
    float Top() const { return top_; }
    float Width() const { return width_; }
    float Height() const { return height_; }
    void setLeft(float twips);
    void setTop(float twips);
    void setWidth(float twips);
    void setHeight(float twips);
    void Move(float left, float top, float width, float height);

    bool Visible() const { return visible_; }
    void setVisible(bool visible);

    // Shown as the text it is: a name or description from a disc may look like markup, which
    // the tooltip would otherwise render (and fetch what an <img> names).
    void setToolTipText(const QString& text);

    QWidget* widget() const { return widget_; }

protected:
    void place();

private:
    QWidget* widget_;
    float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool visible_ = true;
};

}  // namespace platform
