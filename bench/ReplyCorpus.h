// Registry replies of any length whose fields look like a real list: varied addresses, four-digit
// ports, names of a word or two, descriptions of a sentence or two. Field lengths decide how many
// bytes the parser copies per record, so uniform or empty fields would flatter it.
#pragma once

#include <QByteArray>

// The reply the dev registry would send for `records` generated servers. Deterministic, so runs
// compare.
QByteArray realisticReply(int records);
