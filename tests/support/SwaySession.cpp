#include "support/SwaySession.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include <csignal>
#include <functional>

#include <grp.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool giveTo(const QString& path, uid_t uid, gid_t gid, mode_t mode) {
    const QByteArray name = QFile::encodeName(path);
    return ::chown(name.constData(), uid, gid) == 0 && ::chmod(name.constData(), mode) == 0;
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(50);
    }
    return true;
}

} // namespace

SwaySession::SwaySession(const QString& user) {
    const struct passwd* account = ::getpwnam(user.toLocal8Bit().constData());
    if (::geteuid() != 0 || !account) {
        m_error = QStringLiteral("needs root and the user ") + user;
        return;
    }
    if (QStandardPaths::findExecutable(QStringLiteral("sway")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("foot")).isEmpty()) {
        m_error = QStringLiteral("sway and foot are not installed");
        return;
    }
    m_uid = account->pw_uid;
    m_gid = account->pw_gid;
    if (!m_runtime.isValid() || !m_folder.isValid() || !giveTo(m_runtime.path(), m_uid, m_gid, 0700) ||
        !giveTo(m_folder.path(), m_uid, m_gid, 0700)) {
        m_error = QStringLiteral("cannot prepare the runtime folder");
        return;
    }
    const QString config = m_runtime.filePath(QStringLiteral("config"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write("xwayland disable\noutput HEADLESS-1 resolution 1280x800\n") < 0) {
        m_error = QStringLiteral("cannot write the sway configuration");
        return;
    }
    file.close();
    giveTo(config, m_uid, m_gid, 0600);

    QProcessEnvironment environment = clientEnvironment();
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
    environment.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
    environment.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
    m_sway.setProcessEnvironment(environment);
    m_sway.setWorkingDirectory(m_runtime.path());
    m_sway.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_sway.setStandardOutputFile(QProcess::nullDevice());
    runAsUser(m_sway);
    m_sway.start(QStringLiteral("sway"), {QStringLiteral("-c"), config});
    if (!m_sway.waitForStarted(10000)) {
        m_error = QStringLiteral("sway did not start: ") + m_sway.errorString();
        return;
    }
    // sway names its socket itself: the first wayland-N free in the runtime folder.
    QString socket;
    waitUntil(
        [&] {
            const QStringList sockets = QDir(m_runtime.path())
                                            .entryList({QStringLiteral("wayland-*")},
                                                       QDir::System | QDir::Files | QDir::NoDotAndDotDot)
                                            .filter(QRegularExpression(QStringLiteral("^wayland-\\d+$")));
            if (!sockets.isEmpty()) {
                socket = m_runtime.filePath(sockets.first());
            }
            return !socket.isEmpty() || m_sway.state() == QProcess::NotRunning;
        },
        10000);
    if (socket.isEmpty()) {
        m_error = QStringLiteral("sway did not open its socket");
        return;
    }
    m_socket = socket;
}

SwaySession::~SwaySession() {
    closeTerminals();
    if (m_sway.state() != QProcess::NotRunning) {
        m_sway.terminate();
        if (!m_sway.waitForFinished(5000)) {
            m_sway.kill();
            m_sway.waitForFinished(5000);
        }
    }
}

QProcessEnvironment SwaySession::clientEnvironment(const QString& layout) const {
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/local/bin:/usr/bin:/bin"));
    environment.insert(QStringLiteral("HOME"), m_runtime.path());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    environment.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    environment.insert(QStringLiteral("XKB_DEFAULT_LAYOUT"), layout);
    if (!m_socket.isEmpty()) {
        environment.insert(QStringLiteral("WAYLAND_DISPLAY"), m_socket);
    }
    return environment;
}

void SwaySession::runAsUser(QProcess& process) const {
    const uid_t uid = m_uid;
    const gid_t gid = m_gid;
    process.setChildProcessModifier([uid, gid] {
        // Only async-signal-safe calls here: this runs between fork and exec.
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0) {
            ::_exit(127);
        }
        // A test that dies takes the compositor and its clients with it. Set after the switch
        // of user, which clears it.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    });
}

bool SwaySession::openTerminal(const QString& title, const QString& file) {
    auto terminal = std::make_unique<QProcess>();
    terminal->setProcessEnvironment(clientEnvironment());
    terminal->setWorkingDirectory(m_folder.path());
    terminal->setStandardOutputFile(QProcess::nullDevice());
    terminal->setStandardErrorFile(QProcess::nullDevice());
    runAsUser(*terminal);
    // Raw: no line editing, no CR-to-LF, no echo; the file appears once the shell runs.
    const QString script = QStringLiteral("stty raw -echo && exec cat > '%1'").arg(file);
    terminal->start(QStringLiteral("foot"),
                    {QStringLiteral("--title"), title, QStringLiteral("sh"), QStringLiteral("-c"), script});
    if (!terminal->waitForStarted(10000)) {
        return false;
    }
    QProcess* started = terminal.get();
    m_terminals.push_back(std::move(terminal));
    return waitUntil([&] { return QFile::exists(file) || started->state() == QProcess::NotRunning; },
                     15000) &&
           started->state() == QProcess::Running;
}

void SwaySession::closeTerminals() {
    for (auto& terminal : m_terminals) {
        terminal->terminate();
        if (!terminal->waitForFinished(5000)) {
            terminal->kill();
            terminal->waitForFinished(5000);
        }
    }
    m_terminals.clear();
}
