#pragma once

#include <QString>
#include <QtGlobal>

class WorkerSettings;

// What a production record says about where and with what an attempt ran:
// filled by the front end from its settings before a job starts.
struct RecordContext {
    QString host;
    QString program; // "tervask", "tervaskfactory", "tervaskcmd"
    QString programVersion;
    QString station; // the port name
    QString stationLabel; // the factory tile's label, else empty
    QString portSerial; // the adapter's USB serial number, where the system knows it
    QString portLocation;
    QString imagePath;
    qint64 imageSize = 0;
    QString imageCrc32; // eight hex digits
    QString downloadAddr;
    QString flashSize;
    int baud = 0;
    QString workOrder; // the work order or lot the operator entered, else empty

    // Everything a job's settings say, the image already loaded from imagePath.
    static RecordContext fromSettings(const QString& program, const WorkerSettings& settings, const QString& imagePath);
    // The adapter's serial number and location, by the port's name. Listing
    // the ports can take seconds on some systems: the recorder's thread asks.
    void describeAdapter();
};
