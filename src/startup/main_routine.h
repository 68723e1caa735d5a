#pragma once

#include <QStringList>

#include <memory>

namespace reelcase {

class Desktop;
class SettingsStore;

// The program's entry: settles the folders, creates the main window, fills the
// favorites tree and shows the window. The caller runs the event loop afterwards.
// A file named among arguments (the program's own, first one excluded), as the desktop
// passes one it opens with the program, is played as a confirmed 打开 plays it.
void Main(Desktop& desktop, std::shared_ptr<SettingsStore> settings,
          const QStringList& arguments = {});

// The file that arguments ask to open, made absolute; empty when none. "--" ends the
// options; other words starting with "-" are options, not files.
QString fileToOpen(const QStringList& arguments, const QString& currentFolder);

} // namespace reelcase
