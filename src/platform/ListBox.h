#pragma once

#include "platform/Control.h"

class QListWidget;

namespace platform {

// A list of strings. In single-selection mode marking an entry makes it the current one; with
// independent marks (MultiSelect) each entry is marked or cleared on its own by a click.
class ListBox : public Control {
public:
    ListBox(QWidget* parent, bool multiSelect);

    void AddItem(const QString& item);
    QString List(int index) const;
    int ListCount() const;
    int ListIndex() const;
    // Out-of-range values other than -1 are ignored.
    void setListIndex(int index);
    bool Selected(int index) const;
    void setSelected(int index, bool selected);

    QListWidget* listWidget() const { return list_; }

private:
    QListWidget* list_;
    bool multiSelect_;
};

}  // namespace platform
