// Stand-ins for the Apple additions to standard headers that the project's Mac branches use,
// declared as the macOS SDK declares them; included before every file those branches are in.

#include <spawn.h>

// <spawn.h>: close every descriptor that no file action names.
#define POSIX_SPAWN_CLOEXEC_DEFAULT 0x4000
extern "C" int posix_spawn_file_actions_addinherit_np(posix_spawn_file_actions_t* file_actions,
                                                      int filedes);

#include <sys/stat.h>

// <sys/stat.h>: the Mac names the modification time st_mtimespec (a struct timespec, as Linux's
// st_mtim is).
#define st_mtimespec st_mtim
