#pragma once

#include <memory>

namespace reelcase {

class Desktop;
class SettingsStore;

// The program's entry: settles the folders, creates the main window, fills the
// favorites tree and shows the window. The caller runs the event loop afterwards.
void Main(Desktop& desktop, std::shared_ptr<SettingsStore> settings);

} // namespace reelcase
