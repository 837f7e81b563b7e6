#pragma once

#include <QString>

#include <memory>

// Claims a machine-wide name for as long as the object lives, so that a
// desktop program runs only once: created first thing in main, it holds the
// name for the process. On Windows a named mutex; elsewhere a lock file in the
// temporary folder, which a later process takes over when the owner has died.
// Either way the name is free again when its holder ends, however it ends.
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
    struct Claim; // the platform's hold on the name
    bool first = false;
    std::unique_ptr<Claim> claim;
};
