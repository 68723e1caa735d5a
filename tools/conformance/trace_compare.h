#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace reelcase::conformance {

// A trace as it is compared: CR LF and CR become LF, each line loses its trailing blanks,
// trailing empty lines are dropped.
QStringList normalizedTraceLines(const QString& text);

struct TraceDifference {
    int line = 0;                    // 1-based, in the normalised traces
    std::optional<QString> expected; // empty past the end of the expected trace
    std::optional<QString> actual;   // empty past the end of the actual trace
};

// The first line where the normalised traces differ; empty when they are the same.
std::optional<TraceDifference> firstTraceDifference(const QString& expected, const QString& actual);

} // namespace reelcase::conformance
