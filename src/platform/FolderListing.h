#pragma once

#include <QStringList>

namespace platform {

// The order of every listing: alphabetical without regard to letter case, ties broken by the
// exact name, so the order is the same on every system and every run.
bool listingLess(const QString& a, const QString& b);

// Full paths of the direct sub-folders of `folder`, hidden dot-entries left out.
QStringList subfolderPaths(const QString& folder);

// Names of the regular files directly in `folder` that match one of the ";"-separated
// patterns without regard to letter case, hidden dot-entries left out.
QStringList matchingFileNames(const QString& folder, const QString& patterns);

}  // namespace platform
