#include "platform/desktop.h"

namespace reelcase {

Desktop::~Desktop() = default;

} // namespace reelcase
