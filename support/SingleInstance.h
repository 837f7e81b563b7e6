#pragma once

#include <QString>

#include <memory>

class QLockFile;

// Claims a machine-wide name for the lifetime of the process, so that a
// desktop program runs only once. On Windows a named mutex (the handle is
// never closed); elsewhere a lock file in the temporary folder, which a later
// process takes over when the owner has died.
class SingleInstance {
public:
    explicit SingleInstance(const QString& name);
    ~SingleInstance();

    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another process (or another SingleInstance) holds the name,
    // or the name could not be claimed at all.
    bool isFirst() const { return first; }

private:
    bool first = false;
    std::unique_ptr<QLockFile> lock;
};
