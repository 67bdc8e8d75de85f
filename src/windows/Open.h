#pragma once

#include <QStringList>

// Where the windows are opened from: the show window and the control panel ask for a window
// here, and only this knows every window, so that no window knows another.
namespace windows {

// The control panel, its Thumbnail and About buttons opening the sheet and the About window.
void openControlPanel();
// The folder selection, offering `folders`; its OK starts the show on those marked.
void openFolderSelection(const QStringList& folders);

}  // namespace windows
