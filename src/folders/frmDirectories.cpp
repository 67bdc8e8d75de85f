#include "folders/frmDirectories.h"

#include "platform/App.h"
#include "platform/MsgBox.h"
#include "show/Slideshow.h"

using platform::Forms;

frmDirectories::frmDirectories() {
    setCaption(QStringLiteral("Image Directory Selection"));
    setWindowIcon(platform::App::Icon());
    List1.Move(80, 120, 5500, 1635);
    cbOK.Move(80, 1920, 1000, 375);
    cbSelect.Move(1680, 1920, 1000, 375);
    cdDeselect.Move(2880, 1920, 1000, 375);
    cbAbort.Move(4580, 1920, 1000, 375);
    setTabOrder(List1.widget(), cbOK.widget());
    setTabOrder(cbOK.widget(), cbSelect.widget());
    setTabOrder(cbSelect.widget(), cdDeselect.widget());
    setTabOrder(cdDeselect.widget(), cbAbort.widget());
}

void frmDirectories::Form_Load() {
    setClientSize(5685, 2415);
    centreOnScreen();
}

void frmDirectories::cbOK_Click() {
    QStringList chosen;
    for (int i = 0; i < List1.ListCount(); ++i) {
        if (List1.Selected(i)) {
            chosen.append(List1.List(i));
        }
    }
    if (chosen.isEmpty()) {
        platform::MsgBox(QStringLiteral("At least one directory of images must be selected"));
        return;
    }
    Forms::Unload(*this);
    // The show starts on the first marked folder; its window comes back.
    show::Slideshow::current()->setFolders(chosen);
}

void frmDirectories::cbSelect_Click() {
    for (int i = 0; i < List1.ListCount(); ++i) {
        List1.setSelected(i, true);
    }
}

void frmDirectories::cdDeselect_Click() {
    for (int i = 0; i < List1.ListCount(); ++i) {
        List1.setSelected(i, false);
    }
}

void frmDirectories::cbAbort_Click() {
    platform::End();
}

void frmDirectories::Form_QueryUnload(bool& cancel, UnloadMode mode) {
    // Closing the window by its close box would leave the program running with no window.
    if (mode == FormControlMenu) {
        cancel = true;
        cbAbort_Click();
    }
}

void frmDirectories::Form_Resize() {
    if (Height() < 1500) {
        setHeight(1500);
    }
    if (Width() < 5800) {
        setWidth(5800);
    }
    List1.setWidth(Width() - 300);
    List1.setHeight(Height() - 1200);
    cbAbort.setLeft(Width() - 1220);
    cbAbort.setTop(Height() - 1000);
    cbSelect.setLeft(Width() / 2 - 1000 - 100);
    cbSelect.setTop(Height() - 1000);
    cdDeselect.setLeft(Width() / 2 + 100);
    cdDeselect.setTop(Height() - 1000);
    cbOK.setTop(Height() - 1000);
}
