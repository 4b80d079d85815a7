#pragma once

#include "base/delivery/DatabaseSink.h"
#include "base/delivery/TextFileSink.h"
#include "base/delivery/WorkbookSink.h"

#include <QString>

class Dialogs;
class MainView;
struct PublishedValues;
struct Settings;

// Delivers the output text of every accepted value to the target of the settings: a text
// file, a workbook, a database table, the published D-Bus item, or keystrokes into a window.
// Every delivery is marked by the beep.
class Delivery {
public:
    Delivery(const Settings& settings, MainView& view, Dialogs& dialogs, PublishedValues& published);

    // Where keystroke targets go; without one they are not delivered.
    void setKeystrokeSink(DeliverySink* sink) { m_keystrokes = sink; }

    void deliver(const QString& outputText);

private:
    const Settings& m_settings;
    Dialogs& m_dialogs;
    PublishedValues& m_published;
    TextFileSink m_textFile;
    WorkbookSink m_workbook;
    DatabaseSink m_database;
    DeliverySink* m_keystrokes = nullptr;
};
