// Linux: the hold is a second descriptor of the socket, and the kernel's TCP state tells the end.
#include "NativeSocket.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

void native::ConnectionEnd::watch(qintptr descriptor) {
    release();
    // Close-on-exec: the game client, started while the launcher still holds the connection,
    // must not keep it open after the launcher ends.
    held = fcntl(static_cast<int>(descriptor), F_DUPFD_CLOEXEC, 0);
}

bool native::ConnectionEnd::wasReset() {
    if (held == -1)
        return false;
    // A reset takes the socket straight to CLOSE. After the peer's FIN it waits in CLOSE_WAIT
    // for this side to close, which the hold keeps it from doing.
    tcp_info info{};
    socklen_t size = sizeof info;
    const bool reset =
        getsockopt(held, IPPROTO_TCP, TCP_INFO, &info, &size) == 0 && info.tcpi_state == TCP_CLOSE;
    release();
    return reset;
}

void native::ConnectionEnd::release() {
    if (held == -1)
        return;
    close(held);
    held = -1;
}
