#pragma once

#include "base/records/Reading.h"

#include <QByteArray>
#include <QElapsedTimer>

class DeviceLink;
struct Settings;

// Reads device records from the link: waits until one complete record has arrived, at most the
// record wait of the settings, and cuts its value, sign and unit.
class RecordReader {
public:
    explicit RecordReader(const Settings& settings);

    Reading read(DeviceLink& link);

    // The program ends: a wait in progress returns at once, and so does every read after.
    void abort();
    // The link was made anew: the start of a record kept from before belongs to no record now.
    void discardPartialRecord();

    // Cuts value, sign and unit out of a record with the layout of settings.
    static Reading fieldsOf(const QByteArray& record, const Settings& settings);

private:
    void discardOldData(QByteArray& buffer);
    bool waitForRecord(DeviceLink& link);

    const Settings& m_settings;
    // What the last read left in the received bytes, and the bytes that followed its record:
    // data that arrives between two reads of a running cycle belongs to the next read.
    QByteArray m_left;
    QByteArray m_tail;
    QElapsedTimer m_sinceLastRead;
    bool m_waiting = false;
    bool m_aborted = false;
};
