// How the keyboard tells the tray program that the toggle key changed the input mode: one
// datagram on a local (Unix) socket of the user's runtime folder. The tray program binds a
// datagram socket at TraySocketPath() and reads the settings file again when a message comes.
// Header only, so that the tray program can include it as it is.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace kesmir::tray {

// The socket's file name in $XDG_RUNTIME_DIR (in /tmp, with the user id, when that is not set).
inline constexpr char kSocketName[] = "kesmir-tray.sock";
// The message: the command the tray program's main window took on Windows (WM_COMMAND 3002).
inline constexpr char kModeChanged[] = "3002";

// The socket's path into out (size bytes); false when it does not fit.
inline bool TraySocketPath(char* out, std::size_t size)
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const int n = runtime && *runtime ? std::snprintf(out, size, "%s/%s", runtime, kSocketName)
                                      : std::snprintf(out, size, "/tmp/%s.%u", kSocketName, static_cast<unsigned>(::getuid()));
    return n > 0 && static_cast<std::size_t>(n) < size;
}

// Sends a message without waiting; nothing happens when no tray program listens.
inline bool Notify(const char* message)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (!TraySocketPath(address.sun_path, sizeof address.sun_path)) return false;
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    const bool sent = ::sendto(fd, message, std::strlen(message), MSG_DONTWAIT, reinterpret_cast<const sockaddr*>(&address),
                               sizeof address) >= 0;
    ::close(fd);
    return sent;
}

}  // namespace kesmir::tray
