#include "input/messwert_def.h"

#include "core/MainController.h"
#include "core/ProgramDirectory.h"
#include "input/RecordSample.h"
#include "language/LanguageTable.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFont>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace {

// How long closing the socket may take before the window stops waiting for it.
constexpr int SocketCloseTimeoutMs = 3000;
// The sample box never holds more than this; a device that keeps sending cannot make the
// window collect for ever.
constexpr qsizetype MaxSampleCharacters = DeviceLink::MaxBufferedBytes;
// Delay before the shared receive buffer is looked at after a serial reception starts.
constexpr int SharedBufferDelayMs = 50;
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

messwert_def::messwert_def(MainController& controller, QWidget* parent)
    : QDialog(parent), m_controller(controller),
      m_link(ProgramDirectory::file(QStringLiteral("kelvane.ini"))) {
    setObjectName(QStringLiteral("messwert_def"));
    setWindowTitle(QStringLiteral("Dateneingang"));
    setModal(true);
    buildControls();

    connect(&m_link, &DeviceLink::dataArrived, this, &messwert_def::onDataArrived);
    // The shared buffer fills only through the main link's socket; looking at it when that link
    // reports data replaces a periodic poll.
    connect(&m_controller.link(), &DeviceLink::dataArrived, this, [this] {
        if (m_watchSharedBuffer) {
            takeSharedBuffer();
        }
    });
    load();
}

messwert_def::~messwert_def() {
    closeOwnLink();
}

void messwert_def::buildControls() {
    const QFont fixed = fixedPitchFont();
    auto* layout = new QVBoxLayout(this);

    auto* prompt = new QLabel(QStringLiteral("Bitte Datenausgabe am Gerät auslösen:"), this);
    prompt->setObjectName(QStringLiteral("Label3"));
    layout->addWidget(prompt);

    m_txtScaleInput = new QPlainTextEdit(this);
    m_txtScaleInput->setObjectName(QStringLiteral("txtScaleInput"));
    m_txtScaleInput->setFont(fixed);
    m_txtScaleInput->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_txtScaleInput->setTabChangesFocus(true);
    m_txtScaleInput->setFixedHeight(QFontMetrics(fixed).lineSpacing() * 3);
    connect(m_txtScaleInput, &QPlainTextEdit::selectionChanged, this, &messwert_def::rememberSelection);
    connect(m_txtScaleInput, &QPlainTextEdit::cursorPositionChanged, this, &messwert_def::rememberSelection);
    layout->addWidget(m_txtScaleInput);

    auto* reception = new QHBoxLayout;
    m_cmdStart = makeButton(this, QStringLiteral("cmdStart"), QStringLiteral("&Start"));
    m_cmdStop = makeButton(this, QStringLiteral("cmdStop"), QStringLiteral("&Stop"));
    m_cmdStop->setEnabled(false);
    reception->addWidget(m_cmdStart);
    reception->addWidget(m_cmdStop);
    reception->addStretch();
    layout->addLayout(reception);

    auto* record = new QHBoxLayout;
    m_CmdLength = makeButton(this, QStringLiteral("CmdLength"), QStringLiteral("Anzahl Zeichen"));
    m_txt_reclen = makeBox(this, QStringLiteral("txt_reclen"), 60);
    m_cmdEndChar = makeButton(this, QStringLiteral("cmdEndChar"), QStringLiteral("Abschlusszeichen"));
    m_txt_endchar = makeBox(this, QStringLiteral("txt_endchar"), 60);
    record->addWidget(m_CmdLength);
    record->addWidget(m_txt_reclen);
    record->addSpacing(12);
    record->addWidget(m_cmdEndChar);
    record->addWidget(m_txt_endchar);
    record->addStretch();
    layout->addLayout(record);

    auto* grid = new QGridLayout;
    int row = 0;
    const auto addRow = [&](FieldRow& field, const QString& buttonName, const QString& caption,
                            const QString& startName, const QString& endName, const QString& previewName) {
        field.button = makeButton(this, buttonName, caption);
        field.start = makeBox(this, startName, 50);
        field.end = makeBox(this, endName, 50);
        field.preview = new QLineEdit(this);
        field.preview->setObjectName(previewName);
        field.preview->setFont(fixed);
        field.preview->setReadOnly(true);
        grid->addWidget(field.button, row, 0);
        grid->addWidget(field.start, row, 1);
        grid->addWidget(field.end, row, 2);
        grid->addWidget(field.preview, row, 3);
        ++row;
    };
    addRow(m_fields[Value], QStringLiteral("cmdMesswert"), QStringLiteral("&Messwert"),
           QStringLiteral("txtMesswertStart"), QStringLiteral("txtMesswertEnd"),
           QStringLiteral("txtMesswert"));
    addRow(m_fields[Sign], QStringLiteral("cmdSign"), QStringLiteral("&Vorzeichen"),
           QStringLiteral("txtSignStart"), QStringLiteral("txtSignEnd"), QStringLiteral("txtSign"));
    addRow(m_fields[Unit], QStringLiteral("cmdUnit"), QStringLiteral("&Einheit"),
           QStringLiteral("txtUnitStart"), QStringLiteral("txtUnitEnd"), QStringLiteral("txtUnit"));
    addRow(m_fields[Stable], QStringLiteral("cmdStable"), QStringLiteral("&Stillstandszeichen"),
           QStringLiteral("txtStableStart"), QStringLiteral("txtStableEnd"), QStringLiteral("txtStable"));
    for (int i = 0; i < IdCount; ++i) {
        const QString index = u'(' + QString::number(i) + u')';
        addRow(m_ids[i], QStringLiteral("cmdID") + index, QStringLiteral("ID") + QString::number(i + 1),
               QStringLiteral("id_start") + index, QStringLiteral("id_end") + index,
               QStringLiteral("txtID") + QString::number(i + 1));
    }
    grid->setColumnStretch(3, 1);
    layout->addLayout(grid);

    auto* buttons = new QHBoxLayout;
    m_cmdOK = makeButton(this, QStringLiteral("cmdOK"), QStringLiteral("&Ok"));
    m_cmdCancel = makeButton(this, QStringLiteral("cmdCancel"), QStringLiteral("&Abbrechen"));
    buttons->addStretch();
    buttons->addWidget(m_cmdOK);
    buttons->addWidget(m_cmdCancel);
    layout->addLayout(buttons);

    connect(m_cmdStart, &QPushButton::clicked, this, &messwert_def::cmdStart_Click);
    connect(m_cmdStop, &QPushButton::clicked, this, &messwert_def::cmdStop_Click);
    connect(m_CmdLength, &QPushButton::clicked, this, &messwert_def::CmdLength_Click);
    connect(m_cmdEndChar, &QPushButton::clicked, this, &messwert_def::cmdEndChar_Click);
    for (int field = 0; field < FieldCount; ++field) {
        connect(m_fields[field].button, &QPushButton::clicked, this,
                [this, field] { markField(static_cast<Field>(field)); });
    }
    for (int i = 0; i < IdCount; ++i) {
        connect(m_ids[i].button, &QPushButton::clicked, this, [this, i] { markId(i); });
    }
    connect(m_cmdOK, &QPushButton::clicked, this, &messwert_def::cmdOK_Click);
    connect(m_cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void messwert_def::load() {
    Settings& settings = m_controller.settings();
    m_receiveThreshold = 0;

    for (int field = 0; field < FieldCount; ++field) {
        setNumber(m_fields[field].start, startField(static_cast<Field>(field)));
        setNumber(m_fields[field].end, endField(static_cast<Field>(field)));
    }
    for (int i = 0; i < IdCount; ++i) {
        setNumber(m_ids[i].start, settings.ID_anf[i + 1]);
        setNumber(m_ids[i].end, settings.ID_end[i + 1]);
    }

    // The device can be open on one port only: the main link gives it up for the test reception.
    DeviceLink& mainLink = m_controller.link();
    if (mainLink.isSerialOpen()) {
        mainLink.closeSerial();
        m_controller.ShowOffline();
        m_controller.fnUpdateStatus(LanguageText(QStringLiteral("TextMessgeraetInaktiv")));
    }

    m_link.setLineSettings(m_controller.lineSettingsText());
    if (!m_controller.portnumIsNumber()) {
        if (settings.portnum == QLatin1String("TCP/IP")) {
            m_link.closeSocket();
            bool ok = false;
            const uint port = settings.tcpport.trimmed().toUInt(&ok);
            m_link.connectSocket(settings.tcpip.trimmed(),
                                 ok && port <= 65535 ? static_cast<quint16>(port) : 0);
        }
    } else {
        const int portNumber = static_cast<int>(QLocale::c().toDouble(settings.portnum.trimmed()));
        if (m_controller.IsComPortAvailable(portNumber)) {
            m_link.setPortNumber(portNumber);
            m_link.openSerial();
        }
    }

    setSampleText({});
    m_txt_endchar->setText(settings.str_endchar);
    m_txt_reclen->setText(settings.str_len);

    m_controller.setCycleInterval(0);
    m_controller.setLinkOnline(false);
}

void messwert_def::cmdStart_Click() {
    if (m_controller.portnumIsNumber()) {
        startSerialReception();
    } else {
        startSocketReception();
    }
}

void messwert_def::startSerialReception() {
    m_link.readSerial();
    m_receiveThreshold = 1;
    setSampleText({});
    m_cmdStart->setEnabled(false);
    m_cmdStop->setEnabled(true);
    m_watchSharedBuffer = true;
    QTimer::singleShot(SharedBufferDelayMs, this, [this] {
        if (m_watchSharedBuffer) {
            takeSharedBuffer();
        }
    });
}

void messwert_def::startSocketReception() {
    setSampleText({});
    m_cmdStart->setEnabled(false);
    m_cmdStop->setEnabled(true);
    m_watchSharedBuffer = false;
    m_controller.link().closeSocket();
    m_link.closeSocket();
    QPointer<messwert_def> self(this);
    waitForSocketClosed(SocketCloseTimeoutMs);
    if (!self || m_closed) {
        return;
    }
    const Settings& settings = m_controller.settings();
    bool ok = false;
    const uint port = settings.tcpport.trimmed().toUInt(&ok);
    m_link.connectSocket(settings.tcpip.trimmed(), ok && port <= 65535 ? static_cast<quint16>(port) : 0);
}

void messwert_def::cmdStop_Click() {
    m_receiveThreshold = 0;
    m_collecting = false;
    m_cmdStop->setEnabled(false);
    m_cmdStart->setEnabled(true);
    m_link.closeSocket();
    waitForSocketClosed(SocketCloseTimeoutMs);
}

void messwert_def::onDataArrived() {
    // Socket data collects in the link's buffer; serial data waits in the port.
    if (!m_link.receiveBuffer().isEmpty()) {
        onSocketData();
        return;
    }
    if (!m_link.isSerialOpen()) {
        return;
    }
    if (m_receiveThreshold >= 1) {
        receiveSerialSample();
    } else if (!m_collecting && m_link.serialBytesWaiting() > DeviceLink::MaxBufferedBytes) {
        // Nobody asked for this data; the next reception discards it anyway.
        m_link.readSerial();
    }
}

void messwert_def::receiveSerialSample() {
    m_receiveThreshold = 0;
    m_collecting = true;
    QPointer<messwert_def> self(this);

    setSampleText({});
    m_controller.WaitSeconds(CollectPauseSeconds);
    if (!self) {
        return;
    }
    const auto enough = [this] {
        return sampleText().size() >= RecordSample::leadingWholeNumber(m_txt_reclen->text()) ||
               sampleText().size() >= MaxSampleCharacters;
    };
    do {
        appendSample(m_link.readSerial());
        m_txtScaleInput->viewport()->update();
        m_controller.WaitSeconds(CollectPauseSeconds);
        if (!self) {
            return;
        }
    } while (m_collecting && !m_closed && !enough() && m_link.serialBytesWaiting() > 0);
    m_collecting = false;
    fillPreviews();
}

void messwert_def::onSocketData() {
    QByteArray& shared = m_controller.link().receiveBuffer();
    shared.append(m_link.receiveBuffer());
    m_link.receiveBuffer().clear();
    if (shared.size() > DeviceLink::MaxBufferedBytes) {
        shared.remove(0, shared.size() - DeviceLink::MaxBufferedBytes);
    }
    setSampleText(RecordSample::display(shared));
}

void messwert_def::takeSharedBuffer() {
    QByteArray& shared = m_controller.link().receiveBuffer();
    if (shared.isEmpty()) {
        return;
    }
    setSampleText(RecordSample::display(shared));
    shared.clear();
}

void messwert_def::fillPreviews() {
    const QString sample = sampleText();
    for (const FieldRow& field : m_fields) {
        const auto first = RecordSample::wholeNumber16(field.start->text());
        const auto last = RecordSample::wholeNumber16(field.end->text());
        if (!first || !last) {
            continue;
        }
        if (const auto part = RecordSample::cut(sample, *first, *last - *first + 1)) {
            field.preview->setText(*part);
        }
    }
    const Settings& settings = m_controller.settings();
    for (int i = 0; i < IdCount; ++i) {
        const int first = settings.ID_anf[i + 1];
        const int last = settings.ID_end[i + 1];
        if (const auto part = RecordSample::cut(sample, first, last - first + 1)) {
            m_ids[i].preview->setText(*part);
        }
    }
}

void messwert_def::markField(Field field) {
    const int length = selectionLength();
    const int start = selectionStart();
    // A position beyond the 16-bit fields cannot be stored.
    if (length < 1 || start + length > std::numeric_limits<std::int16_t>::max()) {
        return;
    }
    FieldRow& row = m_fields[field];
    row.preview->setText(
        RecordSample::cut(sampleText(), m_rememberedStart, m_rememberedLength).value_or(QString()));
    startField(field) = static_cast<std::int16_t>(start + 1);
    endField(field) = static_cast<std::int16_t>(start + length);
    setNumber(row.start, start + 1);
    setNumber(row.end, start + length);
}

void messwert_def::markId(int index) {
    Settings& settings = m_controller.settings();
    FieldRow& row = m_ids[index];
    const int length = selectionLength();
    const int start = selectionStart();
    if (length < 1) {
        row.preview->clear();
        settings.ID_anf[index + 1] = 0;
        settings.ID_end[index + 1] = 0;
        setNumber(row.start, 0);
        setNumber(row.end, 0);
        return;
    }
    if (start + length > std::numeric_limits<std::int16_t>::max()) {
        return;
    }
    row.preview->setText(
        RecordSample::cut(sampleText(), m_rememberedStart, m_rememberedLength).value_or(QString()));
    settings.ID_anf[index + 1] = static_cast<std::int16_t>(start + 1);
    settings.ID_end[index + 1] = static_cast<std::int16_t>(start + length);
    setNumber(row.start, start + 1);
    setNumber(row.end, start + length);
}

void messwert_def::CmdLength_Click() {
    const int length = selectionLength();
    if (length >= 1) {
        setNumber(m_txt_reclen, length);
    }
}

void messwert_def::cmdEndChar_Click() {
    if (selectionLength() != 0) {
        return;
    }
    const QByteArray sample = RecordSample::bytes(sampleText());
    if (!sample.isEmpty()) {
        setNumber(m_txt_endchar, static_cast<unsigned char>(sample.back()));
    }
}

void messwert_def::cmdOK_Click() {
    Settings& settings = m_controller.settings();
    const auto take = [](const QLineEdit* box, std::int16_t& field) {
        if (const auto value = RecordSample::wholeNumber16(box->text())) {
            field = *value;
        }
    };
    for (int i = 0; i < IdCount; ++i) {
        take(m_ids[i].start, settings.ID_anf[i + 1]);
        take(m_ids[i].end, settings.ID_end[i + 1]);
    }
    for (const Field field : {Value, Sign, Stable, Unit}) {
        take(m_fields[field].end, endField(field));
        take(m_fields[field].start, startField(field));
    }
    settings.str_len = m_txt_reclen->text();
    settings.str_endchar = m_txt_endchar->text();

    if (m_tag == QLatin1String("select_target")) {
        accept();
        if (openOutputDefinition) {
            openOutputDefinition();
        }
        return;
    }
    accept();
}

void messwert_def::done(int result) {
    m_closed = true;
    m_collecting = false;
    m_watchSharedBuffer = false;
    closeOwnLink();
    QDialog::done(result);
}

void messwert_def::closeOwnLink() {
    m_receiveThreshold = 0;
    m_link.closeSerial();
    m_link.closeSocket();
}

void messwert_def::rememberSelection() {
    m_rememberedStart = selectionStart() + 1;
    m_rememberedLength = selectionLength();
}

int messwert_def::selectionStart() const {
    return m_txtScaleInput->textCursor().selectionStart();
}

int messwert_def::selectionLength() const {
    const QTextCursor cursor = m_txtScaleInput->textCursor();
    return cursor.selectionEnd() - cursor.selectionStart();
}

QString messwert_def::sampleText() const {
    return m_txtScaleInput->toPlainText();
}

void messwert_def::setSampleText(const QString& text) {
    m_txtScaleInput->setPlainText(text.left(MaxSampleCharacters));
    rememberSelection();
}

void messwert_def::appendSample(const QByteArray& bytes) {
    if (!bytes.isEmpty()) {
        setSampleText(sampleText() + RecordSample::display(bytes));
    }
}

void messwert_def::waitForSocketClosed(int timeoutMs) {
    QPointer<messwert_def> self(this);
    const QDeadlineTimer deadline(timeoutMs);
    while (self && m_link.socketState() != DeviceLink::Closed &&
           m_link.socketState() != DeviceLink::Closing && !deadline.hasExpired()) {
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        connect(&m_link, &DeviceLink::socketStateChanged, &loop, &QEventLoop::quit);
        timer.start(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
        loop.exec();
    }
}

std::int16_t& messwert_def::startField(Field field) {
    Settings& settings = m_controller.settings();
    switch (field) {
    case Sign:
        return settings.mw_sign_anf;
    case Unit:
        return settings.eh_start;
    case Stable:
        return settings.mw_still_anf;
    case Value:
    case FieldCount:
        break;
    }
    return settings.mw_start;
}

std::int16_t& messwert_def::endField(Field field) {
    Settings& settings = m_controller.settings();
    switch (field) {
    case Sign:
        return settings.mw_sign_end;
    case Unit:
        return settings.eh_end;
    case Stable:
        return settings.mw_still_end;
    case Value:
    case FieldCount:
        break;
    }
    return settings.mw_end;
}
