#pragma once

#include <QByteArray>
#include <QString>

#include <utility>

#include <unistd.h>

// An open file descriptor, closed when its owner goes.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            reset(std::exchange(other.m_fd, -1));
        }
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return m_fd; }
    bool isValid() const { return m_fd >= 0; }
    void reset(int fd = -1) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = fd;
    }

    // Appends all of bytes to the file, opened for appending, going on after interruptions. On a
    // failure the file is cut back to its size before, so that no part of bytes stays, and errno
    // says why.
    bool appendWhole(const QByteArray& bytes) const;

    // A new file's or a rename's entry in its folder is only durable once the folder is synced.
    static void syncFolderOf(const QString& filePath);

private:
    int m_fd = -1;
};
