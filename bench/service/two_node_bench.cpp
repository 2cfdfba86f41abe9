// Jobs per minute of one service node against two nodes on the same data
// folder and PostgreSQL database, on this machine, with --instant-engine so
// the figure is uploads, holds and charges rather than recognition. Both
// runs use the same clients and the same load; only the nodes differ.
//
//     bench_two_nodes [JOBS [CLIENTS [KIB]]]   (400 jobs, 16 clients, 256 KiB)

#include "PostgresServer.h"
#include "RawClient.h"
#include "ServiceProcess.h"
#include "SpeechFixture.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

using namespace cw::testing;
using Clock = std::chrono::steady_clock;

namespace {

const std::string kTranscript = "One line.\nAnother line.\n";

struct Run {
    int done = 0;
    int failed = 0;
    double seconds = 0;
    double perMinute() const { return seconds > 0 ? done * 60.0 / seconds : 0; }
};

bool addUser(const QString &dataDir, const QString &url, const QString &name)
{
    QProcess tool;
    tool.start(QStringLiteral(CW_SERVICE_BINARY), {QStringLiteral("--data"), dataDir, QStringLiteral("--store"), url,
                                                   QStringLiteral("add-user"), name, QStringLiteral("pw"),
                                                   QStringLiteral("--balance"), QStringLiteral("100000000")});
    return tool.waitForFinished(30000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

// One job from announcement to result; false unless it got its result.
bool runJob(int port, const std::string &user, const std::string &session, const std::string &wav, int index)
{
    const std::string body = announcementBody(user, session, "bench-" + std::to_string(index) + ".wav",
                                              int64_t(wav.size()), md5Hex(wav), "lines.txt", md5Hex(kTranscript),
                                              int64_t(kTranscript.size()), int((wav.size() - 44) / 32000));
    RawClient client;
    if (!client.connect(port, 60000) || !client.sendFrame(6, body))
        return false;
    const auto accepted = client.readReply();
    if (!accepted || accepted->status != 0 || !client.sendBytes(wav.substr(size_t(accepted->length)))
        || !client.sendBytes(kTranscript))
        return false;
    const auto reply = client.readFinalReply();
    return reply && reply->status == 0;
}

Run measure(PostgresServer &postgres, int nodes, int jobs, int clients, int64_t dataBytes)
{
    Run run;
    QTemporaryDir dir;
    const QString url = QString::fromStdString(postgres.url("bench" + std::to_string(nodes)));
    std::vector<std::unique_ptr<ServiceProcess>> services;
    std::vector<std::string> users, sessions;
    for (int c = 0; c < clients; ++c) {
        users.push_back("bench" + std::to_string(c));
        if (!addUser(dir.path(), url, QString::fromStdString(users.back()))) {
            std::fprintf(stderr, "cannot add %s\n", users.back().c_str());
            return run;
        }
    }
    std::vector<int> ports;
    for (int n = 0; n < nodes; ++n) {
        services.push_back(std::make_unique<ServiceProcess>(QStringLiteral(CW_SERVICE_BINARY), dir.path()));
        if (!services.back()->start({QStringLiteral("--store"), url, QStringLiteral("--instant-engine"),
                                     QStringLiteral("--max-connections-per-address"), QStringLiteral("2000")})) {
            std::fprintf(stderr, "cannot start node %d: %s\n", n, services.back()->readLog().right(1000).toUtf8().data());
            return run;
        }
        ports.push_back(services.back()->port());
    }
    for (const std::string &user : users)
        sessions.push_back(rawLogin(ports[0], user, "pw"));

    std::atomic<int> next{0}, done{0}, failed{0};
    const auto started = Clock::now();
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c)
        threads.emplace_back([&, c] {
            for (int i = next++; i < jobs; i = next++) {
                std::string wav(wavHeader16k(uint32_t(dataBytes)).constData(), 44);
                wav += std::string(size_t(dataBytes), '\0');
                std::memcpy(&wav[wav.size() - sizeof i], &i, sizeof i);
                // Round robin, as a load balancer would spread connections.
                if (runJob(ports[size_t(i) % ports.size()], users[size_t(c)], sessions[size_t(c)], wav, i))
                    ++done;
                else
                    ++failed;
            }
        });
    for (std::thread &thread : threads)
        thread.join();
    run.seconds = std::chrono::duration<double>(Clock::now() - started).count();
    run.done = done.load();
    run.failed = failed.load();
    for (auto &service : services)
        service->stop();
    return run;
}

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int jobs = argc > 1 ? std::atoi(argv[1]) : 400;
    const int clients = argc > 2 ? std::atoi(argv[2]) : 16;
    const int64_t dataBytes = (argc > 3 ? std::atoll(argv[3]) : 256) << 10;
    PostgresServer postgres;
    if (!postgres.ok()) {
        std::fprintf(stderr, "no PostgreSQL server: %s\n", postgres.reason().c_str());
        return 1;
    }
    const Run one = measure(postgres, 1, jobs, clients, dataBytes);
    const Run two = measure(postgres, 2, jobs, clients, dataBytes);
    std::printf("%d jobs of %lld KiB, %d clients at once, instant engine\n", jobs, (long long)(dataBytes >> 10),
                clients);
    std::printf("one node:  %7.0f jobs/min (%d done, %d failed, %.1f s)\n", one.perMinute(), one.done, one.failed,
                one.seconds);
    std::printf("two nodes: %7.0f jobs/min (%d done, %d failed, %.1f s)\n", two.perMinute(), two.done, two.failed,
                two.seconds);
    std::printf("two nodes / one node: %.2f\n", one.perMinute() > 0 ? two.perMinute() / one.perMinute() : 0.0);
    std::printf("both nodes, the clients and PostgreSQL share this machine's %u cores: expect parity, not "
                "doubling; nodes on their own machines add their cores.\n",
                std::thread::hardware_concurrency());
    return one.failed == 0 && two.failed == 0 ? 0 : 1;
}
