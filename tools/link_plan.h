// How a registry a round trip away delivers its reply: the writes of the stand-in registry's link
// mode, each with the moment it is due.
#pragma once

#include <QByteArray>
#include <QList>

// One write of the reply, due this long after the request arrived.
struct Piece {
    double atMs = 0;
    QByteArray bytes;
    // A lost segment's pause after this piece, for the log to show where it begins.
    int holdBackMs = 0;
};

// A segment lost on the way: the reply up to `at` arrives, and TCP holds back everything after it
// until the loss is repaired, `pauseMs` later.
struct Loss {
    qsizetype at = -1;
    int pauseMs = 0;
};

// A remote registry's reply as TCP slow start brings it: 1448-byte segments in flights of 10, 20,
// 40..., the first flight one round trip after the request (the request's way there and the
// reply's way back), each next one a round trip later. A loss cuts a segment short at its offset,
// so that the reply can stop right after a record's end byte, and delays all that follows.
QList<Piece> linkPlan(const QByteArray &reply, int rttMs, Loss loss);
