#include "ProcessExit.h"

int endProcess(int status)
{
    return status;
}
