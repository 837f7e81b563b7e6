#pragma once

#include <QByteArray>
#include <QtGlobal>

// Behaviour and faults of the virtual chip, changed by tests while it runs.
struct ChipKnobs {
    // The chip is in the socket: it answers the console. Unplugged it hears nothing.
    bool plugged = true;

    // Wire: 8N1 pacing at this baud rate in both directions (0 = instant), and
    // the adapter holding received bytes back for its latency timer. The
    // chip's UART runs at this rate: a host at another speed, another frame
    // than 8N1 or with flow control gets garbage both ways. An instant chip
    // has no speed of its own and takes any, but still only 8N1.
    int baud = 0;
    int adapterLatencyMs = 0;

    // Line faults
    int noiseBytes = 0; // random bytes, ending in a line break, in front of every console reply
    quint32 noiseSeed = 1;
    QByteArray floodOnCommand; // the first command starting with this is answered by...
    qint64 floodBytes = 0; // ...this many bytes of junk instead of its reply; other output waits behind it

    // Console line ends: each line is executed only with the terminator the
    // tools must send (CR; LF after an erase; CR LF after "md" with a count).
    bool strictLineEnds = false;

    // Console faults
    bool silent = false; // nothing at all comes back
    bool usageReply = false; // every command is answered with "Usage"
    int dropEchoes = 0; // the next N commands are answered without their echo
    int splitReplyAt = 0; // each reply is sent in two pieces split after this many bytes
    int splitPauseMs = 40; // pause between the two pieces

    // Console speed: a real console echoes a command at once, then works on it
    // before it prints its output and the prompt; what arrives meanwhile is
    // lost, as a busy boot ROM reads no UART.
    int commandDelayMs = 0; // every command works this long
    int checksumUsPerKiB = 0; // "checksum" works this much longer per KiB it sums
    int loadDoneDelayMs = 0; // after answering EOT the receiver writes this long before "Load done" and the prompt

    // Partition script
    quint32 md4Word = 0xB0B1; // the word "md 4" reports
    bool md4LowerCase = false; // report it with lower-case hexadecimal digits

    // XMODEM receiver
    int startRequestIntervalMs = 1000; // 'C' repeated while waiting for the first packet
    bool startInLoadxReply = true; // the first 'C' follows the echo of "loadx" at once
    int nakPacket = 0; // NAK the first arrival of this packet number (1-based)
    bool nakForever = false;
    int cancelAtPacket = 0; // answer CAN to this packet
    int strangeAnswerAtPacket = 0; // answer an unknown byte to this packet...
    QByteArray strangeAnswer = "?"; // ...namely these bytes
    bool ackWithStartChar = false; // every ACK comes with a 'C' in the same write
    bool ignoreEot = false; // no answer to EOT
    bool nakEot = false; // answer EOT with NAK
    // A receiver that hears no packet for this long gives up and prints
    // "Load aborted" and the prompt; it is silent until then. Two CANs in a
    // row end it at once.
    int receiverTimeoutMs = 3000;

    // Checksum
    bool wrongChecksum = false;
    int wrongChecksums = 0; // the next N checksums are wrong, then the chip answers true ones again
    bool unreadableChecksum = false; // the reply has no CRC line
    bool checksumEndsAtDigits = false; // nothing follows the eight digits
    bool checksumLowerCase = false;
    bool garbledChecksum = false; // the eight characters after "CRC32 = 0x" are not all digits

    // Erase
    bool eraseNeverCompletes = false;
    int eraseCompletesAtAttempt = 0; // the completion message arrives with this attempt (1-based)

    // Echo variants
    bool echoBehindPrompt = false; // the echo follows a prompt on the same line ("Boot >md ...")
    bool echoDoubledSpace = false; // the echo has two spaces where the command had its first one

    // Memory dump ("md <addr> <count>")
    int mdExtraWords = 0; // words printed on each line after its four
    int mdCutAtCommand = 0; // the reply to this "md" with a count (1-based) is cut...
    int mdCutAfterWords = 0; // ...after this many words
    int mdRestDelayMs = -1; // the rest follows after this pause; negative: never
};
