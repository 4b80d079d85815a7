#include "Simulator.h"

#include "PtyChannel.h"
#include "TcpChannel.h"

#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

// Records produced in one go in continuous mode before the event loop runs again, so that
// commands and new clients are still served while the stream flows.
constexpr int kRecordsPerPump = 64;
constexpr int kFinishLimitMs = 10000;
const QByteArray kErrorAnswer = QByteArrayLiteral("ES\r\n");

ValueSource makeSource(const Options& o, quint32 seed) {
    switch (o.values) {
    case Options::Values::Ramp:
        return ValueSource::ramp(o.rampFrom, o.rampTo, o.rampStep);
    case Options::Values::Random:
        return ValueSource::random(o.randomMin, o.randomMax, seed);
    case Options::Values::Fixed:
        break;
    }
    return ValueSource::fixed(o.value);
}

} // namespace

Simulator::Simulator(const Options& options, RecordTemplate layout, QObject* parent)
    : QObject(parent), options_(options), layout_(std::move(layout)),
      seed_(options.seed ? *options.seed : QRandomGenerator::system()->generate()),
      balance_(makeSource(options, seed_), options.unstableEvery),
      // Its own generator, so that switching faults on does not change the values.
      faults_({options.garbageEvery, options.partialEvery}, layout_.endCharacter(), seed_ ^ 0x5bd1e995u),
      log_(options.verbose) {
    intervalTimer_.setInterval(options_.intervalMs);
    connect(&intervalTimer_, &QTimer::timeout, this, &Simulator::tick);
    pumpTimer_.setSingleShot(true);
    pumpTimer_.setInterval(0);
    connect(&pumpTimer_, &QTimer::timeout, this, &Simulator::pump);
    finishLimit_.setSingleShot(true);
    finishLimit_.setInterval(kFinishLimitMs);
    connect(&finishLimit_, &QTimer::timeout, this, [this] {
        log_.event(QStringLiteral("exit"), QStringLiteral("peers did not take the last records in time"));
        end(0);
    });
}

Simulator::~Simulator() = default;

bool Simulator::start(QString* error) {
    EventLog::announce(QStringLiteral("layout: ") + layout_.layout());
    if (options_.tcpPort) {
        server_ = new QTcpServer(this);
        if (!server_->listen(QHostAddress::LocalHost, *options_.tcpPort)) {
            *error = QStringLiteral("cannot listen on 127.0.0.1:%1: %2")
                         .arg(*options_.tcpPort)
                         .arg(server_->errorString());
            return false;
        }
        connect(server_, &QTcpServer::newConnection, this, &Simulator::acceptClients);
        EventLog::announce(QStringLiteral("tcp: 127.0.0.1:%1").arg(server_->serverPort()));
    }
    if (options_.pty) {
        pty_ = new PtyChannel(this);
        if (!pty_->open(error)) {
            return false;
        }
        if (!options_.ptyLink.isEmpty()) {
            link_ = std::make_unique<SymlinkGuard>(options_.ptyLink);
            if (!link_->pointTo(pty_->slavePath(), error)) {
                link_.reset();
                return false;
            }
        }
        connect(pty_, &Channel::restarted, this, [this] {
            QString linkError;
            if (link_ && !link_->pointTo(pty_->slavePath(), &linkError)) {
                EventLog::error(linkError);
            }
            linkStarted(pty_);
        });
        addChannel(pty_);
        linkStarted(pty_);
    }
    if (options_.mode == Options::Mode::Interval) {
        intervalTimer_.start();
    }
    return true;
}

void Simulator::stop(int signalNumber) {
    log_.event(QStringLiteral("signal"), QString::number(signalNumber));
    end(0);
}

void Simulator::end(int exitCode) {
    if (!ended_) {
        ended_ = true;
        intervalTimer_.stop();
        pumpTimer_.stop();
        emit finished(exitCode);
    }
}

void Simulator::acceptClients() {
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
        if (finishing_) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto* channel = new TcpChannel(socket, this);
        addChannel(channel);
        linkStarted(channel);
    }
}

void Simulator::addChannel(Channel* channel) {
    channels_.append(channel);
    connect(channel, &Channel::commandReceived, this,
            [this, channel](const QByteArray& line) { onCommand(channel, line); });
    connect(channel, &Channel::writable, this, &Simulator::schedulePump);
    connect(channel, &Channel::closed, this, [this, channel] { removeChannel(channel); });
}

void Simulator::linkStarted(Channel* channel) {
    if (channel == pty_) {
        EventLog::announce(QStringLiteral("pty: ") + pty_->slavePath());
    }
    log_.event(QStringLiteral("connected"), channel->name());
    if (finishing_) {
        channel->finish();
        return;
    }
    if (options_.burst > 0) {
        const QByteArray burst = faults_.burst(options_.burst);
        channel->send(burst);
        log_.bytes(QStringLiteral("burst"), burst, channel->name());
    }
    schedulePump();
}

void Simulator::removeChannel(Channel* channel) {
    channels_.removeOne(channel);
    log_.event(QStringLiteral("disconnected"), channel->name());
    channel->deleteLater();
    if (channel == pty_) {
        if (!finishing_) {
            EventLog::error(QStringLiteral("the pseudo-terminal is gone: ") + pty_->lastError());
        }
        pty_ = nullptr;
    }
    if (finishing_ && channels_.isEmpty()) {
        end(0);
    } else if (!server_ && !pty_) {
        end(1);
    }
}

void Simulator::onCommand(Channel* channel, const QByteArray& line) {
    log_.bytes(QStringLiteral("command"), line, channel->name());
    Balance::Adjustment adjustment = Balance::Adjustment::None;
    switch (CommandReader::decode(line)) {
    case CommandReader::Command::Unknown:
        channel->send(kErrorAnswer);
        log_.bytes(QStringLiteral("sent"), kErrorAnswer, channel->name());
        return;
    case CommandReader::Command::Print:
        break;
    case CommandReader::Command::Tare:
        adjustment = Balance::Adjustment::Tare;
        break;
    case CommandReader::Command::Zero:
        adjustment = Balance::Adjustment::Zero;
        break;
    }
    if (countReached()) {
        log_.event(QStringLiteral("ignored"), QStringLiteral("all %1 records are sent").arg(options_.count));
        return;
    }
    sendRecord({channel}, adjustment);
}

QList<Channel*> Simulator::channelsWithRoom() const {
    QList<Channel*> targets;
    for (Channel* channel : channels_) {
        if (channel->hasRoom()) {
            targets.append(channel);
        }
    }
    return targets;
}

void Simulator::tick() {
    // A link that is not read misses the record rather than piling up an unbounded backlog.
    const QList<Channel*> targets = channelsWithRoom();
    if (!targets.isEmpty()) {
        sendRecord(targets, Balance::Adjustment::None);
    }
}

void Simulator::schedulePump() {
    if (options_.mode == Options::Mode::Continuous && !countReached() && !finishing_ && !ended_ &&
        !pumpTimer_.isActive()) {
        pumpTimer_.start();
    }
}

void Simulator::pump() {
    for (int i = 0; i < kRecordsPerPump; ++i) {
        if (countReached() || finishing_ || ended_) {
            return;
        }
        const QList<Channel*> targets = channelsWithRoom();
        if (targets.isEmpty()) {
            // Full links resume the stream through their writable() signal; no polling meanwhile.
            return;
        }
        sendRecord(targets, Balance::Adjustment::None);
    }
    schedulePump();
}

void Simulator::sendRecord(const QList<Channel*>& targets, Balance::Adjustment adjustment) {
    QByteArray bytes;
    for (;;) {
        const quint64 sequence = balance_.nextSequence();
        if (faults_.garbageBefore(sequence)) {
            bytes += faults_.garbage();
        }
        const bool torn = faults_.torn(sequence);
        // A tare or zero acts on the record that answers it, not on a cut one before it.
        const QByteArray record =
            layout_.render(balance_.next(torn ? Balance::Adjustment::None : adjustment));
        if (!torn) {
            bytes += record;
            break;
        }
        bytes += record.left(record.size() / 2);
    }
    ++completeRecords_;
    for (Channel* channel : targets) {
        channel->send(bytes);
        log_.bytes(QStringLiteral("sent"), bytes, channel->name());
        channel->countRecord();
        if (options_.disconnectAfter > 0 && channel->recordsSent() >= options_.disconnectAfter) {
            log_.event(QStringLiteral("hang-up"), channel->name());
            channel->hangUp();
        }
    }
    if (countReached()) {
        onCountReached();
    }
}

void Simulator::onCountReached() {
    intervalTimer_.stop();
    pumpTimer_.stop();
    log_.event(QStringLiteral("count"), QStringLiteral("%1 records sent").arg(completeRecords_));
    if (!options_.exitAfterCount || finishing_) {
        return;
    }
    finishing_ = true;
    if (server_) {
        server_->close();
    }
    finishLimit_.start();
    const QList<Channel*> open = channels_;
    for (Channel* channel : open) {
        channel->finish();
    }
    if (channels_.isEmpty()) {
        end(0);
    }
}
