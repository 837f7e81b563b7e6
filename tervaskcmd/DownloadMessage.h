#pragma once

#include <QColor>
#include <QObject>
#include <QString>

// The console program's sink for the worker's lines: each one goes to the run
// log (as a debug message) and to the console, lines with "Error:" to
// standard error. Lines may arrive from more than one thread (a stop request
// logs from the signal watcher), so each line is handled whole under a lock.
class DownloadMessage : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

public slots:
    void workerLog(QString text, QColor color);
    void workerException(QString text);
    void workerResult(bool status);
    // Something beside the job went wrong (a production record not stored): standard error.
    void warning(const QString& text);
};
