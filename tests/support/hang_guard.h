#pragma once

#include <QString>

#include <functional>

namespace reelcase::test {

// Runs work on a thread of its own and waits for it a generous while. When it is still
// running then (blocked on a pipe, say), fifoToUnblock is opened for writing again and
// again until the work ends, so a failing test reports instead of hanging. True when the
// work ended by itself.
bool endsWithoutHelp(const std::function<void()>& work, const QString& fifoToUnblock);

// Makes a named pipe; false when the file system refuses.
bool makeFifo(const QString& path);

} // namespace reelcase::test
