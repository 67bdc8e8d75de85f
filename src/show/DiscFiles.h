#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

#include "platform/FileSystem.h"
#include "show/ShowReader.h"

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
// With `only`, the lines of other names (compared in case-folded form) are skipped.
void ReadImageList(platform::TextStream& stream, QStringList& names, QStringList& descs,
                   const QSet<QString>* only = nullptr);

// The largest "ImageList.txt" read: far beyond any real one (a line of 300 characters for each
// of 50 000 pictures), and memory stays bounded whatever the file holds.
inline constexpr qsizetype kMaxImageListBytes = 16 * 1024 * 1024;

// The descriptions of `folder`'s "ImageList.txt" (any letter case) for `pictures`, the folder's
// picture names: only their lines are kept. A larger file is read up to kMaxImageListBytes,
// with one line on standard error.
Descriptions ReadDescriptions(const QString& folder, const QStringList& pictures);

}  // namespace show
