// Server lists that look like a real registry's, for the benchmarks: host names and addresses,
// names of a word or two, descriptions of one to three sentences; about 130 bytes a record. The
// seed is fixed, so every run measures the same bytes.
#pragma once

#include "sample_reply.h"

#include <QRandomGenerator>

inline QList<ServerEntry> realisticServers(int count) {
    static const QByteArrayList syllables =
        QByteArray("ash mere cin der fall hol low thorn wick vel ta run").split(' ');
    static const QByteArrayList sentences =
        QByteArray("A quiet realm of fens and drifting fog.|Trading posts open at dawn.|"
                   "Friendly to newcomers, with guides online most evenings.|"
                   "Volcanic frontier with open combat outside the walled towns.|"
                   "Long-running roleplay server.|Please keep names in character.|"
                   "Test shard for upcoming tiles; expect restarts without notice.")
            .split('|');
    QRandomGenerator random(20240601);
    const auto pick = [&](const QByteArrayList &from) { return from[random.bounded(from.size())]; };
    QList<ServerEntry> servers;
    for (int i = 0; i < count; ++i) {
        QByteArray name = pick(syllables) + pick(syllables) + pick(syllables);
        name[0] = char(name[0] - 'a' + 'A');
        if (random.bounded(3) == 0)
            name += ' ' + pick(syllables) + pick(syllables);
        QByteArray description = pick(sentences);
        for (int more = random.bounded(3); more > 0; --more)
            description += ' ' + pick(sentences);
        const QByteArray address = i % 2 ? "eu" + QByteArray::number(i) + ".play.example.org"
                                         : "203.0." + QByteArray::number(i / 256 % 256) + '.' +
                                               QByteArray::number(i % 256);
        servers.append({address, QByteArray::number(7000 + random.bounded(1000)), name, description,
                        quint8(random.bounded(256))});
    }
    return servers;
}
