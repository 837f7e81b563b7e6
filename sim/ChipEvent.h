#pragma once

#include <QByteArray>
#include <QtGlobal>

// Something the virtual chip saw or did, with the time since it started.
struct ChipEvent {
    enum Kind {
        Command, // a console line; text is the line without its terminator
        Knock, // an empty line (a bare carriage return)
        Refused, // a line not executed: its terminator is not the one it needs (strict line ends)
        TransferStart, // "loadx" accepted, receiver waiting for the first packet
        Packet, // a good packet written to flash; text is the block number
        TransferEnd, // EOT answered
        TransferAbort,
        LineMismatch, // the host's line settings do not suit the chip; text describes them
    };
    Kind kind;
    qint64 atUs;
    QByteArray text;
    // Command, Knock and Refused: the line-end bytes that came with the line ("\r", "\n", "\r\n").
    QByteArray terminator = {};
};
