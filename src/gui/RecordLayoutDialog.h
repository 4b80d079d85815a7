#pragma once

#include "base/config/Settings.h"

#include <QByteArray>
#include <QDialog>
#include <QString>

#include <array>
#include <functional>

class ConnectionControl;
class CycleTimer;
class DeviceLink;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class StatusLine;

// The record layout window ("Dateneingang"): receives a sample record from the device over the
// link the settings choose and lets the user mark the fields of the record layout on it with
// the mouse. Marked positions go into the settings at once; typed positions only on OK.
// While the window is open the main cycle rests and the link is offline; closing the window
// closes the link if the window opened it.
class RecordLayoutDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int IdCount = Settings::IdCount;

    RecordLayoutDialog(Settings& settings, ConnectionControl& connection, CycleTimer& cycle,
                       StatusLine& status, QWidget* parent = nullptr);
    ~RecordLayoutDialog() override;

    // The setup assistant opened the window: OK then goes on to the output template.
    void setOpenedByAssistant(bool openedByAssistant) { m_openedByAssistant = openedByAssistant; }
    bool isOpenedByAssistant() const { return m_openedByAssistant; }

    // Opens the output template window modally; called by OK when the assistant opened the
    // window, after this window has closed.
    std::function<void()> openOutputTemplate;

    void done(int result) override;

private:
    // One field of the record with its mark button, two position boxes and its preview.
    struct FieldRow {
        QPushButton* button = nullptr;
        QLineEdit* startBox = nullptr;
        QLineEdit* endBox = nullptr;
        QLineEdit* preview = nullptr;
    };
    enum Field { Value, Sign, Unit, Standstill, FieldCount };

    void buildControls();
    void load();
    // The device can be open on one port only: the window takes the link over for its sample.
    void takeOverLink();
    void closeOpenedLink();

    void startReception();
    void stopReception();
    void startSerialReception();
    void startSocketReception();
    void onDataArrived();
    void receiveSerialSample();
    void showSocketData();
    QByteArray takeReceived();
    void fillPreviews();
    // Lets events run until the socket is closed or closing, at most timeoutMs.
    void waitForSocketClosed(int timeoutMs);

    void markField(Field field);
    void markId(int index);
    void takeRecordLength();
    void takeEndCharacter();
    void storeAndClose();

    void rememberSelection();
    int selectionStart() const;
    int selectionLength() const;
    QString sampleText() const;
    void setSampleText(const QString& text);
    void appendSample(const QByteArray& bytes);

    FieldRange& fieldRange(Field field);

    Settings& m_settings;
    ConnectionControl& m_connection;
    CycleTimer& m_cycle;
    StatusLine& m_status;
    // The link the settings choose; they cannot change while the window is open.
    DeviceLink& m_link;
    const bool m_tcp;
    bool m_openedByAssistant = false;

    QPlainTextEdit* m_sampleText = nullptr;
    QPushButton* m_startButton = nullptr;
    QPushButton* m_stopButton = nullptr;
    QPushButton* m_recordLengthButton = nullptr;
    QLineEdit* m_recordLengthBox = nullptr;
    QPushButton* m_endCharacterButton = nullptr;
    QLineEdit* m_endCharacterBox = nullptr;
    std::array<FieldRow, FieldCount> m_fields{};
    std::array<FieldRow, IdCount> m_ids{};
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;

    // The remembered selection: 1-based start and length.
    int m_rememberedStart = 1;
    int m_rememberedLength = 0;
    // A serial reception waits for the first bytes of the sample.
    bool m_awaitingSample = false;
    // A serial reception is collecting the sample.
    bool m_collecting = false;
    // The bytes received over TCP/IP since the last start, the newest at most 64 KiB.
    QByteArray m_socketSample;
    // The window opened the link and closes it again.
    bool m_openedLink = false;
    bool m_closed = false;
};
