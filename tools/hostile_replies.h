// The replies of a hostile or broken registry, by name, which the stand-in registry serves to the
// real launcher (--scenario NAME).
#pragma once

#include "sample_reply.h"

#include <QByteArray>
#include <QStringList>

// An unknown name gives no bytes.
QByteArray hostileReply(const QByteArray &name);
QStringList hostileReplyNames();
