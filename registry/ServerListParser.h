// Reading the registry's server list reply, also while it is still arriving. Pure functions over
// bytes: no sockets, no widgets, no copies of the reply.
//
// The reply has an optional leading part ended by 0x04, then records. A record is four NUL-ended
// texts (address, port, name, description), one unread byte, the tileset byte, and anything up to
// and including the next 0x04, searched for from the unread byte on. Without a further 0x04 in
// the whole reply, the next record starts at the unread byte. Parsing stops at the first record
// that is cut short (a text without its NUL, or fewer than two bytes after the fourth NUL).
#pragma once

#include "ServerEntry.h"

#include <QByteArrayView>
#include <QList>

#include <vector>

// How far the parse of one reply has got, so that each arrival is read from where the last one
// stopped and every byte is searched once. A new reply starts from the default.
struct ParsePosition {
    enum class Seeking : quint8 { LeadEnd, Nul1, Nul2, Nul3, Nul4, RecordEnd };
    Seeking seeking = Seeking::LeadEnd;
    // Where the record being read starts, and where its unread byte is once its texts are read.
    qsizetype record = 0;
    qsizetype unread = 0;
    // The bytes before this hold no marker of the kind sought.
    qsizetype searched = 0;
    // False once the reply as a whole is known to hold no further 0x04.
    bool recordEndsLeft = true;
};

// Reads the records that `reply` completes beyond `from`, and appends where each starts to
// `starts`. `reply` is the reply so far: the bytes of the previous call with more after them.
//
// While the reply goes on (`replyOver` false), a record counts only once the 0x04 that ends it
// has arrived, and nothing counts before the leading part's 0x04: what is found so far is then
// always a prefix of what the whole reply gives. Once it is over, the bytes are read as the
// whole reply: a reply without any 0x04 is records from its first byte, and a last record
// without its 0x04 still counts. Call it once more with `replyOver`, with the final bytes.
ParsePosition parseRecords(QByteArrayView reply, ParsePosition from, bool replyOver,
                           QList<quint32> &starts);

// The record of a parsed reply that starts at `start`.
ServerEntry readRecord(QByteArrayView reply, qsizetype start);
// Its name alone, without a copy.
QByteArrayView recordName(QByteArrayView reply, qsizetype start);

// Every record of a whole reply, in reply order.
std::vector<ServerEntry> parseServerList(QByteArrayView reply);
