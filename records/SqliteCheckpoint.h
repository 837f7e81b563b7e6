#pragma once

class QSqlDatabase;

// The last connection to close would copy SQLite's journal into the file and
// sync both, about 15 ms that a program ending would wait for: this leaves it
// to the next writer's automatic checkpoint, off any job's path. Where the
// program cannot reach the SQLite inside Qt's driver, closing does it as usual.
void leaveCheckpointToNextWriter(const QSqlDatabase& db);
