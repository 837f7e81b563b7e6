#include "SingleInstance.h"

#include <QDir>
#include <QLockFile>

struct SingleInstance::Claim {
    explicit Claim(const QString& path)
        : lock(path)
    {
    }
    QLockFile lock;
};

SingleInstance::SingleInstance(const QString& name)
    : claim(std::make_unique<Claim>(QDir(QDir::tempPath()).filePath(name + QStringLiteral(".lock"))))
{
    // The lock lives as long as the program; only a dead owner makes it stale.
    claim->lock.setStaleLockTime(0);
    first = claim->lock.tryLock(0);
}

SingleInstance::~SingleInstance() = default;
