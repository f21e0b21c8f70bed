// The query's ears: the socket's four events, passed on to the query with nothing in between, as
// the window's Socket_ handlers pass them. Whatever drives a query without the window (the query's
// tests, the fuzz target) wires it here, so that it meets the query as the window does.
#pragma once

#include "RegistryQuery.h"
#include "Socket.h"

inline void connectSocketToQuery(Socket &socket, RegistryQuery &query) {
    QObject::connect(&socket, &Socket::connected, &query, &RegistryQuery::connected);
    QObject::connect(&socket, &Socket::dataArrival, &query, &RegistryQuery::dataArrival);
    QObject::connect(&socket, &Socket::closedByRegistry, &query, &RegistryQuery::closedByRegistry);
    QObject::connect(&socket, &Socket::failed, &query, &RegistryQuery::failed);
}
