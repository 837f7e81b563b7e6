#pragma once

#include <QByteArray>
#include <QtGlobal>

// Something the virtual chip saw or did, with the time since it started.
struct ChipEvent {
    enum Kind {
        Command, // a console line; text is the line without its terminator
        Knock, // an empty line (a bare carriage return)
        TransferStart, // "loadx" accepted, receiver waiting for the first packet
        Packet, // a good packet written to flash; text is the block number
        TransferEnd, // EOT answered
        TransferAbort,
    };
    Kind kind;
    qint64 atUs;
    QByteArray text;
};
