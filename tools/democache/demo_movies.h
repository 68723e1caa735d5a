#pragma once

#include <QByteArray>

#include <vector>

namespace reelcase::democache {

// One sample animation of the demo cache: the name of its file in the cache and the
// function that builds its bytes. Every sample is larger than the search's 51,200-byte
// threshold, so the demo cache lists it.
struct DemoMovie {
    const char* fileName;
    QByteArray (*build)();
};

// The sample animations, in the order they are spread over the cache's folders.
// To add one, write a function that builds it and list it here.
const std::vector<DemoMovie>& demoMovies();

} // namespace reelcase::democache
