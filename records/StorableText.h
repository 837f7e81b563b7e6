#pragma once

#include <QString>

// Text as every record store accepts it. A reason can carry the chip's raw
// answer: a NUL cuts PostgreSQL's statement, and other control characters
// make a report line unreadable. Those become "\xNN" (a lone surrogate, which
// no UTF-8 can hold, "\uNNNN"); everything else stays as it is.
class StorableText {
public:
    static QString of(const QString& text);
};
