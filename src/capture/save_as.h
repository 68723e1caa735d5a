#pragma once

#include "platform/desktop.h"

namespace reelcase {

// The save dialog's request: title "另存为", the one filter "swf(*.swf)", starting in
// the home folder with an empty name box.
FileDialogRequest saveAsDialogRequest();

// The destination for a name the save dialog returned: blanks at either end removed and
// ".swf" appended every time ("clip.swf" gives "clip.swf.swf").
QString saveAsDestination(const QString& chosen);

// The open dialog's request: title "打开FLASH文件", the one filter "*.swf", starting in
// the program's own folder.
FileDialogRequest openDialogRequest();

} // namespace reelcase
