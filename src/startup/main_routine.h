#pragma once

namespace reelcase {

class Desktop;

// The program's entry: settles the folders, creates the main window, fills the
// favorites tree and shows the window. The caller runs the event loop afterwards.
void Main(Desktop& desktop);

} // namespace reelcase
