#pragma once

#include <QString>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace vrq::reliability {

// A TCP relay on the loopback in front of a PostgreSQL server's Unix socket, so that a test can do to
// one program's connections what a lost network does: freeze them (nothing passes either way, and the
// program waits for answers that do not come), cut them on the server's side (the server ends their
// sessions, as its keepalives would: their locks are freed) and later let the program find out.
class FreezingRelay {
public:
    explicit FreezingRelay(QString serverSocket); // the socket file, e.g. <folder>/.s.PGSQL.5432
    ~FreezingRelay();
    FreezingRelay(const FreezingRelay&) = delete;
    FreezingRelay& operator=(const FreezingRelay&) = delete;

    bool listening() const { return m_listener >= 0; }
    int port() const { return m_port; }
    // A libpq connection string that reaches the server's database through the relay.
    QString conninfo(const QString& database) const;

    // Nothing passes from now on, and no new connection is made.
    void freeze();
    // The server's side of every connection is closed; the program's side stays open and silent.
    void cutServerSide();
    // The program's side of the cut connections is closed (it sees its connection lost), and bytes pass
    // again for the connections it makes next.
    void thaw();
    int connectionsCut() const { return m_cut; }

private:
    struct Pair {
        int client = -1;
        int server = -1; // -1 once cut
    };
    void run();
    void acceptOne();
    // Passes what one side has to the other; false when either side has ended.
    static bool pass(int from, int to);
    void closePair(Pair& pair);

    QString m_serverSocket;
    int m_listener = -1;
    int m_port = 0;
    std::mutex m_mutex; // guards m_pairs and m_frozen against the test's thread
    std::vector<Pair> m_pairs;
    bool m_frozen = false;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_cut{0};
    std::thread m_thread;
};

} // namespace vrq::reliability
