// The replies of a hostile or broken registry, by name. The stand-in registry serves them to the
// real launcher (--scenario NAME), and the window-level tests send the same bytes, so both layers
// face exactly the same input.
#pragma once

#include "sample_reply.h"

#include <QByteArray>
#include <QList>

struct HostileReply {
    QByteArray bytes;
    // The whole records in `bytes`, in order: what a launcher that received all of it lists.
    // Empty for garbage, whose records only the launcher's parser can tell.
    QList<ServerEntry> records;
};

// "garbage", "huge", "whole", "drip", "cut", "reset", "big-texts", "control-texts"; an unknown
// name gives no bytes.
HostileReply hostileReply(const QByteArray &name);
