// What one write to a PPS object costs the server: with 1, 100 and 1,000 subscribers of that
// object, and with 5,000 connections open on other objects against none. The server runs in this
// process, driven round by round, so the figures are its own work plus the subscribers' reads.
#include "ratioreporter.h"

#include <pps/ppsprotocol.h>
#include <pps/ppsserver.h>
#include <qz/PpsOpenMode>

#include <algorithm>
#include <memory>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

class Connection
{
public:
    explicit Connection(qz::pps::Server &server)
    {
        int ends[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) == 0 &&
            server.adoptConnection(ends[1], getuid(), getgid()))
            m_fd = ends[0];
    }
    ~Connection()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    bool isValid() const { return m_fd >= 0; }

    void send(char type, const QByteArray &payload) const
    {
        QByteArray frame;
        qz::pps::appendFrame(frame, type, payload);
        [[maybe_unused]] const ssize_t n = ::send(m_fd, frame.constData(), size_t(frame.size()), 0);
    }
    void open(int mode, const QByteArray &path) const
    {
        const uint32_t word = uint32_t(mode);
        send(qz::pps::FrameOpen, QByteArray(reinterpret_cast<const char *>(&word), 4) + path);
    }
    // Reads whatever has arrived; returns the number of bytes.
    qsizetype drain() const
    {
        char buffer[64 * 1024];
        qsizetype total = 0;
        ssize_t n;
        while ((n = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT)) > 0)
            total += n;
        return total;
    }

private:
    int m_fd = -1;
};

// A server with one writer of /pps/bench/obj, \a subscribers of it and \a others connections
// subscribed to objects of their own.
struct Scene
{
    qz::pps::Server server;
    std::unique_ptr<Connection> writer;
    std::vector<std::unique_ptr<Connection>> subscribers;
    std::vector<std::unique_ptr<Connection>> others;

    Scene(int subscriberCount, int otherCount)
    {
        const int create = qz::PpsOpenMode::Publish | qz::PpsOpenMode::Create;
        const int subscribe = qz::PpsOpenMode::Subscribe | qz::PpsOpenMode::Create;
        writer = std::make_unique<Connection>(server);
        writer->open(create, "/pps/bench/obj");
        settle();
        for (int i = 0; i < subscriberCount; ++i) {
            subscribers.push_back(std::make_unique<Connection>(server));
            subscribers.back()->open(subscribe, "/pps/bench/obj?delta");
            settle();
        }
        for (int i = 0; i < otherCount; ++i) {
            others.push_back(std::make_unique<Connection>(server));
            others.back()->open(subscribe, "/pps/other/o" + QByteArray::number(i));
            settle();
        }
        for (const auto &c : subscribers)
            c->drain();
        for (const auto &c : others)
            c->drain();
        writer->drain();
    }

    void settle() { server.processEvents(0); }

    bool isValid() const
    {
        auto valid = [](const auto &c) { return c->isValid(); };
        return writer->isValid() && std::all_of(subscribers.begin(), subscribers.end(), valid) &&
               std::all_of(others.begin(), others.end(), valid);
    }

    // One write, until every subscriber has read it.
    void write(qsizetype round)
    {
        writer->send(qz::pps::FrameWrite, "n::" + QByteArray::number(round) + '\n');
        server.processEvents(-1);
        for (const auto &c : subscribers) {
            while (c->drain() == 0)
                server.processEvents(0);
        }
    }
};

void writeBenchmark(benchmark::State &state, int subscribers, int others)
{
    Scene scene(subscribers, others);
    if (!scene.isValid()) {
        state.SkipWithError("cannot make the connections (file descriptor limit?)");
        return;
    }
    qsizetype round = 0;
    for (auto _ : state)
        scene.write(++round);
}

void registerAll()
{
    for (int subscribers : {1, 100, 1000}) {
        const std::string name = "BM_WriteTo" + std::to_string(subscribers) + "Subscribers";
        benchmark::RegisterBenchmark(name.c_str(), writeBenchmark, subscribers, 0)
            ->Repetitions(7)
            ->ReportAggregatesOnly(true)
            ->Unit(benchmark::kMicrosecond);
    }
    for (int others : {0, 5000}) {
        const std::string name = "BM_WriteWith" + std::to_string(others) + "Unrelated";
        benchmark::RegisterBenchmark(name.c_str(), writeBenchmark, 1, others)
            ->Repetitions(7)
            ->ReportAggregatesOnly(true)
            ->Unit(benchmark::kMicrosecond);
    }
}

} // namespace

int main(int argc, char **argv)
{
    // Two descriptors per connection, 5,000 connections and more.
    rlimit files{};
    ::getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = std::max<rlim_t>(files.rlim_cur, std::min<rlim_t>(files.rlim_max, 16384));
    ::setrlimit(RLIMIT_NOFILE, &files);

    registerAll();
    RatioReporter reporter;
    runWithMedians(argc, argv, reporter);
    reporter.printRatio("BM_WriteTo100Subscribers", "BM_WriteTo1Subscribers", "per subscriber");
    reporter.printRatio("BM_WriteTo1000Subscribers", "BM_WriteTo1Subscribers", "per subscriber");
    reporter.printRatio("BM_WriteWith5000Unrelated", "BM_WriteWith0Unrelated", "goal <= 1.1");
    return 0;
}
