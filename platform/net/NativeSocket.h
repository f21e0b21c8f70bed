// The part of the registry connection that each system does its own way: telling, once Qt has
// reported the connection closed by the peer, whether the registry hung up or reset it. Qt cannot
// tell: it reports both as RemoteHostClosedError, and it has closed its descriptor by then, so the
// question has to be kept open from the moment the connection is made. The CMake file picks the
// one implementation for the system being built for.
#pragma once

#include <QtGlobal>

namespace native {

class ConnectionEnd {
public:
    ConnectionEnd() = default;
    ConnectionEnd(const ConnectionEnd &) = delete;
    ConnectionEnd &operator=(const ConnectionEnd &) = delete;
    ~ConnectionEnd() { release(); }

    // Keeps a hold of the connected socket with this descriptor, so that it can still be asked
    // how it ended once Qt has closed its own descriptor. While the hold lasts, the system does
    // not end the connection when Qt closes it: release it on every path that ends or drops the
    // connection.
    void watch(qintptr descriptor);
    // Whether the peer reset the connection rather than hung up, asked once Qt has reported it
    // closed by the peer. Releases the hold.
    bool wasReset();
    void release();

private:
    int held = -1;
};

} // namespace native
