#pragma once

#include <QString>

// A symbolic link that names the current pseudo-terminal under a fixed path. It is removed on
// destruction, unless something else has replaced it meanwhile.
class SymlinkGuard {
public:
    explicit SymlinkGuard(QString linkPath) : linkPath_(std::move(linkPath)) {}
    SymlinkGuard(const SymlinkGuard&) = delete;
    SymlinkGuard& operator=(const SymlinkGuard&) = delete;
    ~SymlinkGuard();

    // Creates the link, or atomically replaces an earlier link, so that it points to target.
    // A path that exists and is not a symbolic link is left alone and reported.
    bool pointTo(const QString& target, QString* error);

private:
    QString linkPath_;
    QString target_;
};
