#pragma once

namespace reelcase::swfhost {

// For command-line tools: draws without a display (unless QT_QPA_PLATFORM says otherwise)
// and keeps Qt's own notes off stderr, so that a tool's error stays one line; set
// REELCASE_QT_VERBOSE to see them. Call before the QGuiApplication is made. toolName
// must outlive the program.
void prepareHeadlessTool(const char* toolName);

} // namespace reelcase::swfhost
