// Linked into every test program and test helper, so that on a Mac too they run the simulated
// Mac and keep their settings in their own folders (see platform/TestSeam.h).
#include "platform/TestSeam.h"

namespace scanbrook::platform {

bool honoursTestEnvironment() {
    return true;
}

} // namespace scanbrook::platform
