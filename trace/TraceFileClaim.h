#pragma once

#include <QString>

#include <memory>

class QLockFile;

// Picks a trace file that no other writer uses and holds it until destroyed,
// so that two programs, or two stations of one program, never write into the
// same file. The name asked for is taken when it is free; otherwise the port
// goes into the name ("trace-ttyUSB1.log"), then the process id, then a count.
// A file left by an earlier run is appended to; a holder that died releases it.
class TraceFileClaim {
public:
    TraceFileClaim();
    ~TraceFileClaim();

    TraceFileClaim(const TraceFileClaim&) = delete;
    TraceFileClaim& operator=(const TraceFileClaim&) = delete;

    // False when no name could be held (a folder that cannot be written).
    bool claim(const QString& requested, const QString& portName);
    QString fileName() const { return name; }

private:
    // The name with a tag before its suffix: "trace.log", "ttyUSB1" -> "trace-ttyUSB1.log".
    static QString tagged(const QString& requested, const QString& tag);
    bool tryHold(const QString& candidate);

    std::unique_ptr<QLockFile> lock;
    QString name;
};
