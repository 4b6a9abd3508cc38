#include "platform/TestSeam.h"

namespace scanbrook::platform {

bool honoursTestEnvironment() {
#if defined(__APPLE__)
    // A Mac build always reads the real system: nothing in the environment may redirect the
    // tools it runs, the folders it trusts or the settings it keeps.
    return false;
#else
    return true;
#endif
}

} // namespace scanbrook::platform
