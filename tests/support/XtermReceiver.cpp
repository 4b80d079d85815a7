#include "support/XtermReceiver.h"

#include "support/XvfbServer.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QTest>

XtermReceiver::XtermReceiver(const XvfbServer& server, const QString& title)
    : m_server(server), m_title(title) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), server.display());
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    m_process.setProcessEnvironment(environment);
    // Raw mode: return stays a carriage return, tab a tab, and nothing is echoed or buffered.
    const QString script =
        QStringLiteral("stty raw -echo && touch '%1' && exec cat > '%2'")
            .arg(m_dir.filePath(QStringLiteral("ready")), m_dir.filePath(QStringLiteral("received")));
    m_process.start(QStringLiteral("xterm"),
                    {QStringLiteral("-u8"), QStringLiteral("-title"), title, QStringLiteral("-geometry"),
                     QStringLiteral("60x10"), QStringLiteral("-e"), QStringLiteral("sh"),
                     QStringLiteral("-c"), script});
}

XtermReceiver::~XtermReceiver() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool XtermReceiver::waitUntilReady(int timeoutMs) {
    const QString ready = m_dir.filePath(QStringLiteral("ready"));
    if (!QTest::qWaitFor([&] { return QFileInfo::exists(ready); }, timeoutMs)) {
        return false;
    }
    QByteArray output;
    if (!m_server.run(QStringLiteral("xdotool"),
                      {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--name"),
                       u'^' + m_title + u'$'},
                      &output)) {
        return false;
    }
    bool ok = false;
    m_window = output.split('\n').value(0).trimmed().toULongLong(&ok);
    return ok;
}

QByteArray XtermReceiver::received() const {
    QFile file(m_dir.filePath(QStringLiteral("received")));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

bool XtermReceiver::waitForBytes(qsizetype size, int timeoutMs) const {
    return QTest::qWaitFor([&] { return received().size() >= size; }, timeoutMs);
}
