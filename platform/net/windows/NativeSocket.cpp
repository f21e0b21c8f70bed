// Windows: nothing is held, and a connection that Qt reports closed by the peer counts as the
// registry's close, reset or not.
#include "NativeSocket.h"

void native::ConnectionEnd::watch(qintptr) {}

bool native::ConnectionEnd::wasReset() {
    return false;
}

void native::ConnectionEnd::release() {}
