#include "program_starter.h"

#include <cerrno>
#include <thread>

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace vz::platform {

bool PosixProgramStarter::start(const std::string& program)
{
    if (program.empty()) {
        return false;
    }
    posix_spawnattr_t attributes;
    if (::posix_spawnattr_init(&attributes) != 0) {
        return false;
    }
    // A group of its own, so a Ctrl+C meant for this program does not end the started one.
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    ::posix_spawnattr_setpgroup(&attributes, 0);
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    pid_t child = 0;
    // The C library reports a program that cannot be run (missing, not executable) here.
    const int failed = ::posix_spawnp(&child, program.c_str(), nullptr, &attributes, argv, environ);
    ::posix_spawnattr_destroy(&attributes);
    if (failed != 0) {
        return false;
    }
    // Reaped when it ends, so it never lingers as a zombie of this program.
    std::thread([child] {
        while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

} // namespace vz::platform
