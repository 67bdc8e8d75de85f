#include "platform/VScrollBar.h"

#include <QScrollBar>

namespace platform {

VScrollBar::VScrollBar(QWidget* parent, std::function<void()> onChange)
    : Control(new QScrollBar(Qt::Vertical, parent)), bar_(static_cast<QScrollBar*>(widget())) {
    // Without tracking a drag changes the value only on release, so the handler runs once.
    bar_->setTracking(false);
    bar_->setRange(0, 0);
    QObject::connect(bar_, &QScrollBar::valueChanged, bar_, [onChange = std::move(onChange)](int) {
        if (onChange) {
            onChange();
        }
    });
}

int VScrollBar::Min() const {
    return bar_->minimum();
}

void VScrollBar::setMin(int value) {
    bar_->setMinimum(value);
}

int VScrollBar::Max() const {
    return bar_->maximum();
}

void VScrollBar::setMax(int value) {
    bar_->setMaximum(value);
}

int VScrollBar::Value() const {
    return bar_->value();
}

void VScrollBar::setValue(int value) {
    bar_->setValue(value);
}

int VScrollBar::SmallChange() const {
    return bar_->singleStep();
}

void VScrollBar::setSmallChange(int value) {
    bar_->setSingleStep(value);
}

int VScrollBar::LargeChange() const {
    return bar_->pageStep();
}

void VScrollBar::setLargeChange(int value) {
    bar_->setPageStep(value);
}

}  // namespace platform
