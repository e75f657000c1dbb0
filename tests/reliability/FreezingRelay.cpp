#include "FreezingRelay.h"

#include <QFile>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace vrq::reliability {

namespace {

constexpr int kPollMs = 10;

int connectToSocket(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    sockaddr_un address{};
    if (native.size() >= qsizetype(sizeof(address.sun_path)))
        return -1;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, native.constData(), std::size_t(native.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

FreezingRelay::FreezingRelay(QString serverSocket) : m_serverSocket(std::move(serverSocket)) {
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0; // any free port
    socklen_t length = sizeof(address);
    if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<const sockaddr*>(&address), length) != 0 ||
        ::listen(m_listener, 16) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (m_listener >= 0)
            ::close(m_listener);
        m_listener = -1;
        return;
    }
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { run(); });
}

FreezingRelay::~FreezingRelay() {
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    for (Pair& pair : m_pairs)
        closePair(pair);
    if (m_listener >= 0)
        ::close(m_listener);
}

QString FreezingRelay::conninfo(const QString& database) const {
    return QStringLiteral("host=127.0.0.1 port=%1 user=vrq dbname=%2").arg(m_port).arg(database);
}

void FreezingRelay::freeze() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_frozen = true;
}

void FreezingRelay::cutServerSide() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    for (Pair& pair : m_pairs) {
        if (pair.server >= 0) {
            ::close(pair.server);
            pair.server = -1;
            ++m_cut;
        }
    }
}

void FreezingRelay::thaw() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    for (Pair& pair : m_pairs) {
        if (pair.server < 0)
            closePair(pair);
    }
    std::erase_if(m_pairs, [](const Pair& pair) { return pair.client < 0; });
    m_frozen = false;
}

void FreezingRelay::closePair(Pair& pair) {
    for (int* fd : {&pair.client, &pair.server}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

// One thread passes the bytes of every connection; while frozen it only waits.
void FreezingRelay::run() {
    while (!m_stop) {
        std::vector<pollfd> watched;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_frozen) {
                watched.push_back({m_listener, POLLIN, 0});
                for (const Pair& pair : m_pairs) {
                    watched.push_back({pair.client, POLLIN, 0});
                    watched.push_back({pair.server, POLLIN, 0});
                }
            }
        }
        if (watched.empty()) {
            ::usleep(kPollMs * 1000);
            continue;
        }
        if (::poll(watched.data(), watched.size(), kPollMs) <= 0)
            continue;
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_frozen)
            continue; // frozen while polling: what arrived waits
        if (watched.front().revents & POLLIN)
            acceptOne();
        // Passed in the order polled; pairs accepted, cut or dropped meanwhile wait for the next round.
        for (std::size_t i = 1; i + 1 < watched.size() && (i - 1) / 2 < m_pairs.size(); i += 2) {
            Pair& pair = m_pairs[(i - 1) / 2];
            if (pair.client != watched[i].fd || pair.server != watched[i + 1].fd)
                continue;
            const bool clientReady = watched[i].revents & (POLLIN | POLLHUP | POLLERR);
            const bool serverReady = watched[i + 1].revents & (POLLIN | POLLHUP | POLLERR);
            if ((clientReady && !pass(pair.client, pair.server)) ||
                (serverReady && !pass(pair.server, pair.client)))
                closePair(pair);
        }
        std::erase_if(m_pairs, [](const Pair& pair) { return pair.client < 0; });
    }
}

void FreezingRelay::acceptOne() {
    const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0)
        return;
    const int server = connectToSocket(m_serverSocket);
    if (server < 0) {
        ::close(client); // the program sees the server refuse
        return;
    }
    m_pairs.push_back({client, server});
}

bool FreezingRelay::pass(int from, int to) {
    char buffer[16384];
    const ssize_t n = ::read(from, buffer, sizeof(buffer));
    if (n <= 0)
        return n < 0 && (errno == EINTR || errno == EAGAIN);
    for (ssize_t done = 0; done < n;) {
        const ssize_t written = ::send(to, buffer + done, std::size_t(n - done), MSG_NOSIGNAL);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

} // namespace vrq::reliability
