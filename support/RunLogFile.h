#pragma once

#include <QFile>
#include <QString>

// One run log file: every line in CR LF, flushed at once so the file is
// complete whenever the process is ended. Used by one thread at a time.
class RunLogFile {
public:
    // Creates "<stem>.log". Two processes started in the same second must not
    // share a file: when the name is taken, "<stem>_<pid>.log" is used.
    bool open(const QString& stem);
    void close();
    bool isOpen() const { return file.isOpen(); }
    QString fileName() const { return file.fileName(); }

    // Appends the line; the bytes appended since open() are counted even while no file is open.
    void append(const QString& line);
    qint64 bytesAppended() const { return count; }

private:
    QFile file;
    qint64 count = 0;
};
