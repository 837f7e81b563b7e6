#include "SingleInstance.h"

#include <QDir>
#include <QLockFile>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

SingleInstance::SingleInstance(const QString& name)
{
#ifdef Q_OS_WIN
    HANDLE mutex = CreateMutexW(nullptr, FALSE, reinterpret_cast<LPCWSTR>(name.utf16()));
    first = mutex != nullptr && GetLastError() != ERROR_ALREADY_EXISTS;
#else
    lock = std::make_unique<QLockFile>(QDir(QDir::tempPath()).filePath(name + QStringLiteral(".lock")));
    // The lock lives as long as the program; only a dead owner makes it stale.
    lock->setStaleLockTime(0);
    first = lock->tryLock(0);
#endif
}

SingleInstance::~SingleInstance() = default;
