#pragma once

#include "core/DeviceLink.h"

#include <QDialog>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>

class MainController;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The record definition window ("Dateneingang"): receives a sample record from the device over
// its own link and lets the user mark the fields of the record layout on it with the mouse.
// Marked positions go into Settings at once; typed positions only on OK.
class messwert_def : public QDialog {
    Q_OBJECT
public:
    static constexpr int IdCount = 10;

    explicit messwert_def(MainController& controller, QWidget* parent = nullptr);
    ~messwert_def() override;

    // "select_target" when the setup assistant opens the window: OK then goes on to the output
    // definition.
    void setTag(const QString& tag) { m_tag = tag; }
    QString tag() const { return m_tag; }

    // Opens the output definition window modally; called by OK when the tag is
    // "select_target", after this window has closed.
    std::function<void()> openOutputDefinition;

    // The window's own link, for inspection.
    const DeviceLink& ownLink() const { return m_link; }

    void done(int result) override;

private:
    // One field of the record with its mark button, two position boxes and its preview.
    struct FieldRow {
        QPushButton* button = nullptr;
        QLineEdit* start = nullptr;
        QLineEdit* end = nullptr;
        QLineEdit* preview = nullptr;
    };
    enum Field { Value, Sign, Unit, Stable, FieldCount };

    void buildControls();
    void load();

    void cmdStart_Click();
    void cmdStop_Click();
    void startSerialReception();
    void startSocketReception();
    void onDataArrived();
    void receiveSerialSample();
    void onSocketData();
    void takeSharedBuffer();
    void fillPreviews();

    void markField(Field field);
    void markId(int index);
    void CmdLength_Click();
    void cmdEndChar_Click();
    void cmdOK_Click();

    void rememberSelection();
    int selectionStart() const;
    int selectionLength() const;
    QString sampleText() const;
    void setSampleText(const QString& text);
    void appendSample(const QByteArray& bytes);
    // Lets events run until the window's socket is closed or closing, at most timeoutMs.
    void waitForSocketClosed(int timeoutMs);
    void closeOwnLink();

    std::int16_t& startField(Field field);
    std::int16_t& endField(Field field);

    MainController& m_controller;
    DeviceLink m_link;
    QString m_tag;

    QPlainTextEdit* m_txtScaleInput = nullptr;
    QPushButton* m_cmdStart = nullptr;
    QPushButton* m_cmdStop = nullptr;
    QPushButton* m_CmdLength = nullptr;
    QLineEdit* m_txt_reclen = nullptr;
    QPushButton* m_cmdEndChar = nullptr;
    QLineEdit* m_txt_endchar = nullptr;
    std::array<FieldRow, FieldCount> m_fields{};
    std::array<FieldRow, IdCount> m_ids{};
    QPushButton* m_cmdOK = nullptr;
    QPushButton* m_cmdCancel = nullptr;

    // The remembered selection: 1-based start and length.
    int m_rememberedStart = 1;
    int m_rememberedLength = 0;
    // The serial receive threshold: 1 raises an event for received characters, 0 none.
    int m_receiveThreshold = 0;
    // A serial reception is collecting the sample.
    bool m_collecting = false;
    // The shared receive buffer is watched for the sample box (serial test reception).
    bool m_watchSharedBuffer = false;
    bool m_closed = false;
};
