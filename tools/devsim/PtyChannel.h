#pragma once

#include "Channel.h"
#include "PtyDevice.h"

#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>

#include <memory>

// The pseudo-terminal link. It stays open for the whole run; a hang-up closes it and opens a new
// one under a new device name.
class PtyChannel : public Channel {
    Q_OBJECT

public:
    explicit PtyChannel(QObject* parent);
    ~PtyChannel() override;

    bool open(QString* error);
    // The current device, or the last one once it is closed.
    QString slavePath() const { return slavePath_; }
    QString lastError() const { return lastError_; }

    QString name() const override { return QStringLiteral("pty ") + slavePath(); }
    qint64 backlog() const override { return pending_.size(); }
    void hangUp() override { drainThen(AfterDrain::Reopen); }
    void finish() override { drainThen(AfterDrain::Close); }

protected:
    void write(const QByteArray& bytes) override;

private:
    enum class AfterDrain { Reopen, Close };

    void readMaster();
    bool flushPending();
    void drainThen(AfterDrain after);
    void checkDrained();
    void closeDevice();

    std::unique_ptr<PtyDevice> device_;
    // Declared after the device so that they are gone before its descriptors close.
    std::unique_ptr<QSocketNotifier> readNotifier_;
    std::unique_ptr<QSocketNotifier> writeNotifier_;
    QByteArray pending_;
    QTimer drainTimer_;
    QElapsedTimer drainClock_;
    AfterDrain afterDrain_ = AfterDrain::Close;
    QString slavePath_;
    QString lastError_;
};
