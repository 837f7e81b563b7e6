#include "SingleInstance.h"

#include <windows.h>

// The mutex lives while a handle to it is open: the first holder keeps its
// handle until it is destroyed, and Windows closes it when the process ends.
struct SingleInstance::Claim {
    ~Claim()
    {
        if (mutex)
            CloseHandle(mutex);
    }
    HANDLE mutex = nullptr;
};

SingleInstance::SingleInstance(const QString& name)
    : claim(std::make_unique<Claim>())
{
    HANDLE mutex = CreateMutexW(nullptr, FALSE, reinterpret_cast<LPCWSTR>(name.utf16()));
    first = mutex != nullptr && GetLastError() != ERROR_ALREADY_EXISTS;
    if (first)
        claim->mutex = mutex;
    else if (mutex)
        CloseHandle(mutex); // the other holder's mutex: ours would keep it alive after its holder ends
}

SingleInstance::~SingleInstance() = default;
