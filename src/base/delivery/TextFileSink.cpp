#include "base/delivery/TextFileSink.h"

#include "base/config/Settings.h"
#include "base/delivery/TargetPath.h"
#include "base/interfaces/MainView.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

TextFileSink::TextFileSink(const Settings& settings, MainView& view) : m_settings(settings), m_view(view) {}

bool TextFileSink::deliver(const QString& outputText) {
    m_view.setInfoText(MainView::InfoPanel::Target, m_settings.textFilePath);
    return appendLine(resolveTargetPath(m_settings.textFilePath), outputText);
}

bool TextFileSink::appendLine(const QString& path, const QString& line) {
    if (path.isEmpty()) {
        return false;
    }
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    const QByteArray bytes = line.toUtf8() + "\r\n";
    qsizetype written = 0;
    bool ok = true;
    while (written < bytes.size()) {
        const ssize_t result =
            ::write(fd, bytes.constData() + written, static_cast<size_t>(bytes.size() - written));
        if (result < 0) {
            if (errno == EINTR) {
                continue;
            }
            ok = false;
            break;
        }
        written += result;
    }
    if (!ok && written > 0) {
        // A half-written line must not stay glued to the next one.
        [[maybe_unused]] const auto ignored = ::write(fd, "\r\n", 2);
    }
    ::close(fd);
    return ok;
}
