#pragma once

#include <QString>
#include <QStringList>

#include <optional>

#include "platform/FileSystem.h"

namespace show {

// The settings of "autorun.inf". A key is matched at the start of a line, letter case
// counting; the last line of a key wins and other lines are ignored.
struct Settings {
    std::optional<int> delay;  // milliseconds, present when a "delay" line was read
    bool showFolders = false;
    bool showText = true;
};
Settings ReadSettings(platform::TextStream& stream);

// The lines of "ImageList.txt": each line with a comma gives a name (up to the first comma)
// and its description (the rest), appended to `names` and `descs`; other lines are skipped.
void ReadImageList(platform::TextStream& stream, QStringList& names, QStringList& descs);

// The description of the first name equal to `fileName` without regard to letter case;
// empty when there is none.
QString FindImageDesc(const QStringList& names, const QStringList& descs, const QString& fileName);

}  // namespace show
