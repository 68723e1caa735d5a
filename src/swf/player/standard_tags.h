#pragma once

namespace reelcase::swf {

class TagTable;

// The table every parse uses: the handlers of every layer. Built once, thread-safe to read.
const TagTable& standardTagTable();

} // namespace reelcase::swf
