#include "mainwindow/command_dispatch.h"

namespace reelcase {

std::optional<Command> commandForToolbarPosition(int position) {
    switch (position) {
    case 1:
        return Command::Open;
    case 2:
        return Command::Search;
    case 4:
        return Command::Play;
    case 5:
        return Command::Stop;
    case 7:
        return Command::SaveAs;
    case 8:
        return Command::AddToFavorites;
    case 10:
        return Command::OnlineHelp;
    default:
        return std::nullopt;
    }
}

} // namespace reelcase
