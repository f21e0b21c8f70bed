// The servers of this run, in the order the registry listed them, kept as the registry's bytes
// themselves: the reply is held once, and a server is where its record starts in it. A list of
// millions of small records then costs four bytes a server beyond the reply, and an entry's texts
// are copied out only when someone reads them. List item i of the window is entry i, so the
// table only ever grows at its end.
#pragma once

#include "ServerEntry.h"
#include "ServerListParser.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QtGlobal>

class ServerTable {
public:
    // The reply's next bytes, in arrival order; the records they complete are entries at once.
    // Returns the number of entries added.
    qint32 append(QByteArrayView bytes);
    // The reply is over: what remains is read as the end of a whole reply. Returns the number of
    // entries added.
    qint32 replyOver();

    qint32 serverCount() const { return static_cast<qint32>(starts.size()); }
    // Valid for 0 <= i < serverCount().
    ServerEntry entry(qint32 i) const { return readRecord(reply, starts[i]); }
    QByteArrayView name(qint32 i) const { return recordName(reply, starts[i]); }

private:
    qint32 parse(bool over);

    QByteArray reply;
    QList<quint32> starts;
    ParsePosition parsed;
};
