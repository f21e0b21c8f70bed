#include "link_plan.h"

QList<Piece> linkPlan(const QByteArray &reply, int rttMs, Loss loss) {
    constexpr qsizetype Segment = 1448;
    QList<Piece> plan;
    double flightAt = rttMs;
    double heldBackMs = 0;
    for (qsizetype at = 0, flight = 10; at < reply.size(); flight *= 2, flightAt += rttMs) {
        for (qsizetype i = 0; i < flight && at < reply.size(); ++i) {
            const qsizetype length =
                at < loss.at && loss.at < at + Segment ? loss.at - at : Segment;
            plan.append({flightAt + heldBackMs, reply.mid(at, length)});
            if ((at += length) == loss.at)
                heldBackMs = plan.back().holdBackMs = loss.pauseMs;
        }
    }
    return plan;
}
