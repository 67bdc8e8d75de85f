#pragma once

#include <QString>

namespace platform {

// A modal message box with an OK button only, titled with the application title.
void MsgBox(const QString& text);

}  // namespace platform
