#pragma once

#include <optional>

namespace reelcase {

// Every command the main window offers. A toolbar button and its menu item run the same one.
enum class Command {
    Search,
    Open,
    Exit,
    SaveAs,
    SaveSound,
    AddToFavorites,
    Play,
    Stop,
    OnlineHelp,
    HomePage,
    DeleteFavorite,
    ClosePopup,
};

// The command of toolbar position k (counted from 1, separators included); none for the
// separators 3, 6 and 9 and for any position outside 1 to 10.
std::optional<Command> commandForToolbarPosition(int position);

} // namespace reelcase
