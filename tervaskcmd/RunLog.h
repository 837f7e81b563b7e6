#pragma once

#include <QDateTime>
#include <QString>
#include <QtGlobal>

#include <functional>

// The console program's run log under logs/: every debug message of the
// process, one line each in CR LF, flushed at once so the file is complete
// whenever the process is ended. A file that has taken the rotation threshold
// is followed by a new one. Process-wide and safe to use from any thread.
class RunLog {
public:
    static constexpr qint64 defaultRotationBytes = 10000000;

    // Opens the first file, "logs/cmd_<time>.log", relative to the current directory.
    static bool openFirst();
    // Closes the current file and opens "logs/Cmd_<time>.log"; the byte count starts again.
    static bool openNext();
    static void close();

    static QString fileName();
    static bool isOpen();

    static void setRotationThreshold(qint64 bytes);
    static void setClock(std::function<QDateTime()> clock);

    // The handler's work: appends one message when it is a debug message.
    static void append(QtMsgType type, const QString& text);
};

// Installed with qInstallMessageHandler: debug messages go to the run log,
// every other message is dropped; nothing reaches the console.
void runLogHandler(QtMsgType type, const QMessageLogContext& context, const QString& message);
void openNextRunLog();
