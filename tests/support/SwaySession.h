#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <vector>

#include <sys/types.h>

// A headless sway compositor for tests, run as an unprivileged user (sway refuses root) with a
// runtime folder of its own, and foot terminals in it whose shells write every byte they receive
// to a file. Needs root to switch users; isRunning() is false with error() telling why otherwise.
class SwaySession {
public:
    // user: the account sway and its clients run as.
    explicit SwaySession(const QString& user = QStringLiteral("nobody"));
    ~SwaySession();
    SwaySession(const SwaySession&) = delete;
    SwaySession& operator=(const SwaySession&) = delete;

    bool isRunning() const { return !m_socket.isEmpty(); }
    QString error() const { return m_error; }
    // The compositor's socket, as an absolute path ($WAYLAND_DISPLAY takes one).
    QString socket() const { return m_socket; }
    uid_t uid() const { return m_uid; }
    gid_t gid() const { return m_gid; }
    // A folder owned by the user, for the files of the clients.
    QString folder() const { return m_folder.path(); }

    // The environment of a client of the session: the user's runtime folder and the socket, no
    // X display, a UTF-8 locale, and the keyboard layout given.
    QProcessEnvironment clientEnvironment(const QString& layout = QStringLiteral("us")) const;
    // Makes a process run as the user.
    void runAsUser(QProcess& process) const;

    // Opens a foot window titled title whose terminal is raw: every byte typed into it lands in
    // file unchanged. Returns once the shell runs; false when it did not come up.
    bool openTerminal(const QString& title, const QString& file);
    // Closes every terminal opened so far.
    void closeTerminals();

private:
    QProcess m_sway;
    QTemporaryDir m_runtime;
    QTemporaryDir m_folder;
    QString m_socket;
    QString m_error;
    uid_t m_uid = 0;
    gid_t m_gid = 0;
    std::vector<std::unique_ptr<QProcess>> m_terminals;
};
