#include "SqliteCheckpoint.h"

// Qt's SQLite driver for Windows carries its own SQLite and exports none of it:
// its handle cannot be given to another copy of the library.
void leaveCheckpointToNextWriter(const QSqlDatabase&) { }
