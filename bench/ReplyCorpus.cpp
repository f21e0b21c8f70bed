// Generated server lists for the benchmarks; see ReplyCorpus.h.
#include "ReplyCorpus.h"

#include "sample_reply.h"

#include <array>
#include <random>

namespace {

constexpr std::array<const char *, 12> Syllables = {"ash", "mere",  "cin",  "der", "fall", "hol",
                                                    "low", "thorn", "wick", "vel", "ta",   "run"};

constexpr std::array<const char *, 8> Phrases = {
    "A quiet realm of fens and drifting fog.",
    "Friendly to newcomers, with guides online most evenings.",
    "Volcanic frontier with open combat outside the walled towns.",
    "Long-running roleplay server.",
    "Please keep names in character.",
    "Fresh world, reset every season.",
    "Trading posts open at dawn.",
    "Test shard for upcoming tiles; expect restarts without notice.",
};

QByteArray capitalised(QByteArray word) {
    word[0] = static_cast<char>(word[0] - 'a' + 'A');
    return word;
}

QByteArray nameFrom(std::mt19937 &random) {
    std::uniform_int_distribution<size_t> syllable(0, Syllables.size() - 1);
    QByteArray name = capitalised(QByteArray(Syllables[syllable(random)]) +
                                  Syllables[syllable(random)] + Syllables[syllable(random)]);
    if (random() % 3 == 0)
        name += " " +
                capitalised(QByteArray(Syllables[syllable(random)]) + Syllables[syllable(random)]);
    return name;
}

QByteArray addressFrom(std::mt19937 &random, int index) {
    if (random() % 2 == 0)
        return "203.0." + QByteArray::number(index / 256 % 256) + "." +
               QByteArray::number(index % 256);
    return "eu" + QByteArray::number(index) + ".play.example.org";
}

QByteArray descriptionFrom(std::mt19937 &random) {
    std::uniform_int_distribution<size_t> phrase(0, Phrases.size() - 1);
    QByteArray description = Phrases[phrase(random)];
    const int more = static_cast<int>(random() % 3);
    for (int i = 0; i < more; ++i)
        description += QByteArray(" ") + Phrases[phrase(random)];
    return description;
}

} // namespace

QByteArray realisticReply(int records) {
    std::mt19937 random(20240601u);
    QList<DevServer> servers;
    servers.reserve(records);
    for (int i = 0; i < records; ++i) {
        servers.append({addressFrom(random, i), QByteArray::number(7000 + int(random() % 1000)),
                        nameFrom(random), descriptionFrom(random),
                        static_cast<quint8>(random() % 256)});
    }
    return encodeServerList(servers);
}
