#pragma once

#include <chrono>

// Every wait and retry count of the link to the boot console, in one place.
// The defaults are the production values; tests pass shorter ones.
struct LinkTiming {
    using ms = std::chrono::milliseconds;

    // Command channel
    ms commandWrite { 1000 }; // each write of a command must complete within
    // The console's reply to a command is read until its echo and the prompt
    // after it are in, at most this long after each write (plus the command's
    // own wait, e.g. VerifyUnitTime for the checksum). With fixed waits the
    // command's wait is slept first, as a pause.
    ms commandReply { 2500 };
    int commandResends = 20; // resends after the first write before giving up
    ms replyGap { 20 }; // a prompt without the command's echo ends the reply once the line is quiet this long

    ms stopPoll { 20 }; // every wait of a job looks at the stop request this often

    // Device attach
    ms knockWrite { 50 }; // per carriage return knocked at the console
    ms knockRead { 20 }; // wait for the prompt after three carriage returns
    ms knockPause { 10 }; // pause between two knock cycles
    ms newChipWait { 10000 }; // waiting for a chip to be plugged in
    // A finished chip that gives no prompt for this long has left the socket,
    // whatever answers afterwards is a new chip. A chip in the socket answers
    // within a few tens of ms even behind an adapter's latency timer; no hand
    // swaps a chip in under 300 ms. Keep it above presenceInterval.
    ms chipLeftSilence { 200 };
    ms presenceInterval { 100 }; // at most one presence check per interval while the finished chip stays
    ms readySignalPoll { 200 }; // RS-485: listening for "Boot abort"

    // XMODEM
    ms xmodemStartPoll { 200 }; // listening for the receiver's 'C'
    ms xmodemStart { 15000 }; // the receiver must ask for the first packet within
    ms packetWrite { 1000 }; // each packet (and EOT) must be written within
    ms answerPoll { 20 }; // one poll for the receiver's answer
    int packetAnswerPolls = 200; // polls for the answer to a packet
    int eotAnswerPolls = 1000; // polls for the answer to EOT
    int eotAttempts = 5;
    // After a failed transfer the chip's receiver is cancelled (CAN CAN) and
    // must be back at its prompt within this, or the chip has left the socket.
    ms receiverQuit { 3000 };

    // Verification
    // What the transfer left behind (the chip's text after EOT) is read until
    // the prompt, within these two together. With fixed waits: a pause of
    // verifySettle, then at most verifyDrain for input, which is discarded.
    ms verifySettle { 200 };
    ms verifyDrain { 500 };
    ms verifyDefaultWait { 600 }; // used when VerifyUnitTime is 0
    int verifyAttempts = 5;

    // Erase
    ms eraseWrite { 1000 };
    ms eraseReply { 2000 }; // with erasePause, the longest an erase may take to report
    ms erasePause { 10 }; // with fixed waits, slept after the write before the reply is read
    int eraseAttempts = 5; // written at most this plus one times

    // Dump
    ms dumpDrain { 500 };
    ms dumpChunk { 20000 }; // one chunk of "md" output must arrive within
    ms dumpPoll { 20 };

    // Automatic mode
    ms autoJobPause { 500 }; // after each chip, before the presence checks
};
