#include "platform/ListBox.h"

#include <QListWidget>

namespace platform {

ListBox::ListBox(QWidget* parent, bool multiSelect)
    : Control(new QListWidget(parent)),
      list_(static_cast<QListWidget*>(widget())),
      multiSelect_(multiSelect) {
    list_->setSelectionMode(multiSelect ? QAbstractItemView::MultiSelection
                                        : QAbstractItemView::SingleSelection);
}

void ListBox::AddItem(const QString& item) {
    list_->addItem(item);
}

QString ListBox::List(int index) const {
    const QListWidgetItem* item = list_->item(index);
    return item ? item->text() : QString();
}

int ListBox::ListCount() const {
    return list_->count();
}

int ListBox::ListIndex() const {
    return list_->currentRow();
}

void ListBox::setListIndex(int index) {
    if (index < -1 || index >= list_->count()) {
        return;
    }
    const QModelIndex modelIndex = list_->model()->index(index, 0);
    if (multiSelect_) {
        list_->selectionModel()->setCurrentIndex(modelIndex, QItemSelectionModel::NoUpdate);
    } else {
        list_->selectionModel()->setCurrentIndex(modelIndex, QItemSelectionModel::ClearAndSelect);
    }
}

bool ListBox::Selected(int index) const {
    const QListWidgetItem* item = list_->item(index);
    return item && item->isSelected();
}

void ListBox::setSelected(int index, bool selected) {
    QListWidgetItem* item = list_->item(index);
    if (!item) {
        return;
    }
    if (multiSelect_) {
        item->setSelected(selected);
    } else if (selected) {
        setListIndex(index);
    } else {
        item->setSelected(false);
    }
}

}  // namespace platform
