#include "SymlinkGuard.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {
QString systemError() {
    return QString::fromLocal8Bit(strerror(errno));
}
} // namespace

SymlinkGuard::~SymlinkGuard() {
    if (!target_.isEmpty() && QFile::symLinkTarget(linkPath_) == target_) {
        ::unlink(QFile::encodeName(linkPath_).constData());
    }
}

bool SymlinkGuard::pointTo(const QString& target, QString* error) {
    const QFileInfo existing(linkPath_);
    if (existing.exists() && !existing.isSymLink()) {
        *error = QStringLiteral("%1 exists and is not a symbolic link").arg(linkPath_);
        return false;
    }
    // A new link under a temporary name, renamed over the old one, so the path never goes missing.
    const QString temporary = linkPath_ + QStringLiteral(".%1.tmp").arg(::getpid());
    const QByteArray temporaryName = QFile::encodeName(temporary);
    ::unlink(temporaryName.constData());
    if (::symlink(QFile::encodeName(target).constData(), temporaryName.constData()) != 0) {
        *error = QStringLiteral("cannot create %1: %2").arg(temporary, systemError());
        return false;
    }
    if (::rename(temporaryName.constData(), QFile::encodeName(linkPath_).constData()) != 0) {
        *error = QStringLiteral("cannot create %1: %2").arg(linkPath_, systemError());
        ::unlink(temporaryName.constData());
        return false;
    }
    target_ = target;
    return true;
}
