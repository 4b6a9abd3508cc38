// Stand-in for the macOS SDK's <mach-o/dyld.h>: the one call the project makes of it, declared
// as the SDK declares it.

#include <cstdint>

extern "C" int _NSGetExecutablePath(char* buf, std::uint32_t* bufsize);
