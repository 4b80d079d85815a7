#pragma once

#include <QtGlobal>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

// The device's side of a TCP/IP link for benchmarks that play the device on a thread of their
// own: a listening loopback socket on a free port, closed with the object.
struct DeviceListener {
    DeviceListener() {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(fd, 8);
        socklen_t length = sizeof address;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
    }
    ~DeviceListener() { ::close(fd); }
    DeviceListener(const DeviceListener&) = delete;
    DeviceListener& operator=(const DeviceListener&) = delete;

    // The program's connection. Should it connect again during start-up, the last one is live.
    int acceptLast() const {
        int connection = ::accept(fd, nullptr, nullptr);
        pollfd another{fd, POLLIN, 0};
        while (::poll(&another, 1, 500) > 0) {
            ::close(connection);
            connection = ::accept(fd, nullptr, nullptr);
        }
        return connection;
    }

    int fd = -1;
    quint16 port = 0;
};
