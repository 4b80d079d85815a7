#include "gui/RecordLayoutDialog.h"

#include "base/config/SettingText.h"
#include "base/link/DeviceLink.h"
#include "base/records/RecordText.h"
#include "base/session/ConnectionControl.h"
#include "base/session/CycleTimer.h"
#include "base/session/EventWait.h"
#include "base/session/StatusLine.h"
#include "base/texts/LanguageTable.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFont>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

// How long closing the socket may take before the window stops waiting for it.
constexpr int SocketCloseTimeoutMs = 3000;
// The sample box never holds more than this; a device that keeps sending cannot make the
// window collect for ever.
constexpr qsizetype MaxSampleCharacters = DeviceLink::MaxBufferedBytes;
// The pause in which the rest of a record may arrive while a serial sample is collected.
constexpr double CollectPauseSeconds = 0.5;

QFont fixedPitchFont() {
    QFont font(QStringLiteral("Courier"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QLineEdit* makeBox(QWidget* parent, const QString& name, int width) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setFixedWidth(width);
    return box;
}

void setNumber(QLineEdit* box, int value) {
    box->setText(QString::number(value));
}

} // namespace

RecordLayoutDialog::RecordLayoutDialog(Settings& settings, ConnectionControl& connection, CycleTimer& cycle,
                                       StatusLine& status, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_connection(connection), m_cycle(cycle), m_status(status),
      m_link(connection.link()), m_tcp(settings.isTcp()) {
    setObjectName(QStringLiteral("RecordLayoutDialog"));
    setWindowTitle(QStringLiteral("Dateneingang"));
    setModal(true);
    buildControls();
    // Queued: the serial collection waits with events running, and a port does not announce more
    // data while its announcement of the first piece is still being handled.
    connect(&m_link, &DeviceLink::dataArrived, this, &RecordLayoutDialog::onDataArrived,
            Qt::QueuedConnection);
    load();
}

RecordLayoutDialog::~RecordLayoutDialog() {
    closeOpenedLink();
}

void RecordLayoutDialog::buildControls() {
    const QFont fixed = fixedPitchFont();
    auto* layout = new QVBoxLayout(this);

    auto* prompt = new QLabel(QStringLiteral("Bitte Datenausgabe am Gerät auslösen:"), this);
    prompt->setObjectName(QStringLiteral("promptLabel"));
    layout->addWidget(prompt);

    m_sampleText = new QPlainTextEdit(this);
    m_sampleText->setObjectName(QStringLiteral("sampleText"));
    m_sampleText->setFont(fixed);
    m_sampleText->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_sampleText->setTabChangesFocus(true);
    m_sampleText->setFixedHeight(QFontMetrics(fixed).lineSpacing() * 3);
    connect(m_sampleText, &QPlainTextEdit::selectionChanged, this, &RecordLayoutDialog::rememberSelection);
    connect(m_sampleText, &QPlainTextEdit::cursorPositionChanged, this,
            &RecordLayoutDialog::rememberSelection);
    layout->addWidget(m_sampleText);

    auto* reception = new QHBoxLayout;
    m_startButton = makeButton(this, QStringLiteral("startButton"), QStringLiteral("&Start"));
    m_stopButton = makeButton(this, QStringLiteral("stopButton"), QStringLiteral("&Stop"));
    m_stopButton->setEnabled(false);
    reception->addWidget(m_startButton);
    reception->addWidget(m_stopButton);
    reception->addStretch();
    layout->addLayout(reception);

    auto* record = new QHBoxLayout;
    m_recordLengthButton =
        makeButton(this, QStringLiteral("recordLengthButton"), QStringLiteral("Anzahl Zeichen"));
    m_recordLengthBox = makeBox(this, QStringLiteral("recordLengthBox"), 60);
    m_endCharacterButton =
        makeButton(this, QStringLiteral("endCharacterButton"), QStringLiteral("Abschlusszeichen"));
    m_endCharacterBox = makeBox(this, QStringLiteral("endCharacterBox"), 60);
    record->addWidget(m_recordLengthButton);
    record->addWidget(m_recordLengthBox);
    record->addSpacing(12);
    record->addWidget(m_endCharacterButton);
    record->addWidget(m_endCharacterBox);
    record->addStretch();
    layout->addLayout(record);

    auto* grid = new QGridLayout;
    int row = 0;
    // Control names: the field's name, then the control, then the index of an ID row.
    const auto addRow = [&](FieldRow& field, const QString& caption, const QString& name,
                            const QString& index) {
        field.button = makeButton(this, name + QStringLiteral("Button") + index, caption);
        field.startBox = makeBox(this, name + QStringLiteral("StartBox") + index, 50);
        field.endBox = makeBox(this, name + QStringLiteral("EndBox") + index, 50);
        field.preview = new QLineEdit(this);
        field.preview->setObjectName(name + QStringLiteral("Preview") + index);
        field.preview->setFont(fixed);
        field.preview->setReadOnly(true);
        grid->addWidget(field.button, row, 0);
        grid->addWidget(field.startBox, row, 1);
        grid->addWidget(field.endBox, row, 2);
        grid->addWidget(field.preview, row, 3);
        ++row;
    };
    addRow(m_fields[Value], QStringLiteral("&Messwert"), QStringLiteral("value"), {});
    addRow(m_fields[Sign], QStringLiteral("&Vorzeichen"), QStringLiteral("sign"), {});
    addRow(m_fields[Unit], QStringLiteral("&Einheit"), QStringLiteral("unit"), {});
    addRow(m_fields[Standstill], QStringLiteral("&Stillstandszeichen"), QStringLiteral("standstill"), {});
    for (int i = 0; i < IdCount; ++i) {
        addRow(m_ids[i], QStringLiteral("ID") + QString::number(i + 1), QStringLiteral("id"),
               QString::number(i));
    }
    grid->setColumnStretch(3, 1);
    layout->addLayout(grid);

    auto* buttons = new QHBoxLayout;
    m_okButton = makeButton(this, QStringLiteral("okButton"), QStringLiteral("&Ok"));
    m_cancelButton = makeButton(this, QStringLiteral("cancelButton"), QStringLiteral("&Abbrechen"));
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    layout->addLayout(buttons);

    connect(m_startButton, &QPushButton::clicked, this, &RecordLayoutDialog::startReception);
    connect(m_stopButton, &QPushButton::clicked, this, &RecordLayoutDialog::stopReception);
    connect(m_recordLengthButton, &QPushButton::clicked, this, &RecordLayoutDialog::takeRecordLength);
    connect(m_endCharacterButton, &QPushButton::clicked, this, &RecordLayoutDialog::takeEndCharacter);
    for (int field = 0; field < FieldCount; ++field) {
        connect(m_fields[field].button, &QPushButton::clicked, this,
                [this, field] { markField(static_cast<Field>(field)); });
    }
    for (int i = 0; i < IdCount; ++i) {
        connect(m_ids[i].button, &QPushButton::clicked, this, [this, i] { markId(i); });
    }
    connect(m_okButton, &QPushButton::clicked, this, &RecordLayoutDialog::storeAndClose);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void RecordLayoutDialog::load() {
    for (int field = 0; field < FieldCount; ++field) {
        const FieldRange& range = fieldRange(static_cast<Field>(field));
        setNumber(m_fields[field].startBox, range.first);
        setNumber(m_fields[field].endBox, range.last);
    }
    for (int i = 0; i < IdCount; ++i) {
        setNumber(m_ids[i].startBox, m_settings.ids[i + 1].first);
        setNumber(m_ids[i].endBox, m_settings.ids[i + 1].last);
    }

    takeOverLink();

    setSampleText({});
    m_endCharacterBox->setText(m_settings.recordEnd.text());
    m_recordLengthBox->setText(m_settings.recordLength.text());
}

void RecordLayoutDialog::takeOverLink() {
    m_cycle.stop();
    m_connection.setOnline(false);

    SerialLink& serial = m_connection.serialLink();
    if (serial.isOpen()) {
        serial.close();
        m_connection.showOffline();
        m_status.setText(languageText(TextKey::DeviceInactive));
    }

    serial.setLineSettings(LineSettings::of(m_settings));
    if (m_tcp) {
        if (m_settings.serialPort.text() == QLatin1String("TCP/IP")) {
            TcpLink& tcp = m_connection.tcpLink();
            tcp.setPeer(m_settings.host.trimmed(), m_settings.tcpPort.valueOr(0));
            m_link.received().clear();
            m_openedLink = tcp.open();
        }
    } else {
        const int port = m_settings.serialPort.valueOr(0);
        if (m_connection.portExists(port)) {
            serial.setPort(port);
            m_openedLink = serial.open();
        }
    }
}

void RecordLayoutDialog::closeOpenedLink() {
    m_awaitingSample = false;
    if (m_openedLink) {
        m_openedLink = false;
        m_link.close();
    }
}

void RecordLayoutDialog::startReception() {
    if (m_tcp) {
        startSocketReception();
    } else {
        startSerialReception();
    }
}

void RecordLayoutDialog::startSerialReception() {
    // What the device sent before Start is no part of the sample.
    m_link.received().clear();
    m_awaitingSample = true;
    setSampleText({});
    m_startButton->setEnabled(false);
    m_stopButton->setEnabled(true);
}

void RecordLayoutDialog::startSocketReception() {
    setSampleText({});
    m_socketSample.clear();
    m_startButton->setEnabled(false);
    m_stopButton->setEnabled(true);
    TcpLink& tcp = m_connection.tcpLink();
    tcp.close();
    QPointer<RecordLayoutDialog> self(this);
    waitForSocketClosed(SocketCloseTimeoutMs);
    if (!self || m_closed) {
        return;
    }
    tcp.setPeer(m_settings.host.trimmed(), m_settings.tcpPort.valueOr(0));
    m_link.received().clear();
    m_openedLink = tcp.open();
}

void RecordLayoutDialog::stopReception() {
    m_awaitingSample = false;
    m_collecting = false;
    m_stopButton->setEnabled(false);
    m_startButton->setEnabled(true);
    if (m_tcp) {
        m_connection.tcpLink().close();
        waitForSocketClosed(SocketCloseTimeoutMs);
    }
}

void RecordLayoutDialog::onDataArrived() {
    if (m_closed) {
        return;
    }
    if (m_tcp) {
        showSocketData();
    } else if (m_awaitingSample) {
        receiveSerialSample();
    }
}

void RecordLayoutDialog::receiveSerialSample() {
    m_awaitingSample = false;
    m_collecting = true;
    QPointer<RecordLayoutDialog> self(this);

    setSampleText({});
    EventWait::seconds(CollectPauseSeconds);
    if (!self) {
        return;
    }
    const auto enough = [this] {
        const qsizetype size = sampleText().size();
        return size >= SettingText::leadingWholeNumber(m_recordLengthBox->text()).valueOr(0) ||
               size >= MaxSampleCharacters;
    };
    // The record arrives in pieces: collect until it is long enough or a pause brings nothing.
    do {
        appendSample(takeReceived());
        m_sampleText->viewport()->update();
        EventWait::seconds(CollectPauseSeconds);
        if (!self) {
            return;
        }
    } while (m_collecting && !m_closed && !enough() && !m_link.received().isEmpty());
    m_collecting = false;
    fillPreviews();
}

void RecordLayoutDialog::showSocketData() {
    m_socketSample.append(takeReceived());
    if (m_socketSample.size() > DeviceLink::MaxBufferedBytes) {
        m_socketSample.remove(0, m_socketSample.size() - DeviceLink::MaxBufferedBytes);
    }
    setSampleText(RecordText::display(m_socketSample));
}

QByteArray RecordLayoutDialog::takeReceived() {
    return std::exchange(m_link.received(), QByteArray());
}

void RecordLayoutDialog::fillPreviews() {
    const QString sample = sampleText();
    for (const FieldRow& field : m_fields) {
        const auto first = RecordText::wholeNumber16(field.startBox->text());
        const auto last = RecordText::wholeNumber16(field.endBox->text());
        if (!first || !last) {
            continue;
        }
        if (const auto part = RecordText::cut(sample, *first, *last - *first + 1)) {
            field.preview->setText(*part);
        }
    }
    for (int i = 0; i < IdCount; ++i) {
        const FieldRange& range = m_settings.ids[i + 1];
        if (const auto part = RecordText::cut(sample, range.first, range.last - range.first + 1)) {
            m_ids[i].preview->setText(*part);
        }
    }
}

void RecordLayoutDialog::waitForSocketClosed(int timeoutMs) {
    QPointer<RecordLayoutDialog> self(this);
    TcpLink& tcp = m_connection.tcpLink();
    const QDeadlineTimer deadline(timeoutMs);
    while (self && tcp.state() != TcpLink::Closed && tcp.state() != TcpLink::Closing &&
           !deadline.hasExpired()) {
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        connect(&tcp, &TcpLink::stateChanged, &loop, &QEventLoop::quit);
        timer.start(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
        loop.exec();
    }
}

void RecordLayoutDialog::markField(Field field) {
    const auto marked = RecordText::markedField(selectionStart(), selectionLength());
    if (!marked) {
        return;
    }
    FieldRow& row = m_fields[field];
    row.preview->setText(
        RecordText::cut(sampleText(), m_rememberedStart, m_rememberedLength).value_or(QString()));
    fieldRange(field) = *marked;
    setNumber(row.startBox, marked->first);
    setNumber(row.endBox, marked->last);
}

void RecordLayoutDialog::markId(int index) {
    FieldRange& range = m_settings.ids[index + 1];
    FieldRow& row = m_ids[index];
    const int length = selectionLength();
    if (length < 1) {
        // Marking nothing removes the ID field.
        row.preview->clear();
        range = {};
        setNumber(row.startBox, 0);
        setNumber(row.endBox, 0);
        return;
    }
    const auto marked = RecordText::markedField(selectionStart(), length);
    if (!marked) {
        return;
    }
    row.preview->setText(
        RecordText::cut(sampleText(), m_rememberedStart, m_rememberedLength).value_or(QString()));
    range = *marked;
    setNumber(row.startBox, marked->first);
    setNumber(row.endBox, marked->last);
}

void RecordLayoutDialog::takeRecordLength() {
    const int length = selectionLength();
    if (length >= 1) {
        setNumber(m_recordLengthBox, length);
    }
}

void RecordLayoutDialog::takeEndCharacter() {
    if (selectionLength() != 0) {
        return;
    }
    if (const auto code = RecordText::endCharacterOf(sampleText())) {
        setNumber(m_endCharacterBox, *code);
    }
}

void RecordLayoutDialog::storeAndClose() {
    const auto take = [](const QLineEdit* box, std::int16_t& position) {
        if (const auto value = RecordText::wholeNumber16(box->text())) {
            position = *value;
        }
    };
    for (int i = 0; i < IdCount; ++i) {
        take(m_ids[i].startBox, m_settings.ids[i + 1].first);
        take(m_ids[i].endBox, m_settings.ids[i + 1].last);
    }
    for (const Field field : {Value, Sign, Standstill, Unit}) {
        take(m_fields[field].endBox, fieldRange(field).last);
        take(m_fields[field].startBox, fieldRange(field).first);
    }
    m_settings.recordLength = SettingText::leadingWholeNumber(m_recordLengthBox->text());
    m_settings.recordEnd = SettingText::recordEnd(m_endCharacterBox->text());

    accept();
    if (m_openedByAssistant && openOutputTemplate) {
        openOutputTemplate();
    }
}

void RecordLayoutDialog::done(int result) {
    m_closed = true;
    m_collecting = false;
    closeOpenedLink();
    QDialog::done(result);
}

void RecordLayoutDialog::rememberSelection() {
    m_rememberedStart = selectionStart() + 1;
    m_rememberedLength = selectionLength();
}

int RecordLayoutDialog::selectionStart() const {
    return m_sampleText->textCursor().selectionStart();
}

int RecordLayoutDialog::selectionLength() const {
    const QTextCursor cursor = m_sampleText->textCursor();
    return cursor.selectionEnd() - cursor.selectionStart();
}

QString RecordLayoutDialog::sampleText() const {
    return m_sampleText->toPlainText();
}

void RecordLayoutDialog::setSampleText(const QString& text) {
    m_sampleText->setPlainText(text.left(MaxSampleCharacters));
    rememberSelection();
}

void RecordLayoutDialog::appendSample(const QByteArray& bytes) {
    if (!bytes.isEmpty()) {
        setSampleText(sampleText() + RecordText::display(bytes));
    }
}

FieldRange& RecordLayoutDialog::fieldRange(Field field) {
    switch (field) {
    case Sign:
        return m_settings.sign;
    case Unit:
        return m_settings.unit;
    case Standstill:
        return m_settings.standstillMark;
    case Value:
    case FieldCount:
        break;
    }
    return m_settings.value;
}
