#include "windows/Open.h"

#include "about/frmAbout.h"
#include "folders/frmDirectories.h"
#include "panel/ControlPanel.h"
#include "thumbs/frmThumbnails.h"

using platform::Forms;

namespace windows {

void openControlPanel() {
    const bool loaded = Forms::find<ControlPanel>() != nullptr;
    ControlPanel& panel = Forms::get<ControlPanel>();
    if (!loaded) {
        // While the sheet is open this only brings it to the front: it is built once per opening.
        QObject::connect(&panel, &ControlPanel::thumbnailsAsked, &panel,
                         [] { Forms::get<frmThumbnails>().Show(); });
        QObject::connect(&panel, &ControlPanel::aboutAsked, &panel,
                         [] { Forms::get<frmAbout>().Show(); });
    }
    panel.Show();
}

void openFolderSelection(const QStringList& folders) {
    frmDirectories& selection = Forms::get<frmDirectories>();
    for (const QString& folder : folders) {
        selection.List1.AddItem(folder);
    }
    selection.Show();
}

}  // namespace windows
