// Upload throughput of subtitle_audio against plain send loops.
//
// A loopback sink reads as fast as it can; the same WAV goes out three ways:
// through the library (announcement, 1024-byte pieces with progress, final
// reply), through a plain loop of 1024-byte sends, and through 1 MiB sends.
// Usage: bench_voxlink_upload [megabytes=200] [rounds=3]
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "voxlink.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void putU32(unsigned char *p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

uint32_t getU32(const unsigned char *p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// 16 kHz mono 16-bit WAV of the given size, filled with a tone-like pattern.
std::string writeWav(const std::string &path, size_t bytes)
{
    FILE *file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::perror(path.c_str());
        std::exit(1);
    }
    unsigned char header[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                                16, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 16, 0,
                                'd', 'a', 't', 'a', 0, 0, 0, 0};
    putU32(header + 4, static_cast<uint32_t>(bytes - 8));
    putU32(header + 24, 16000);
    putU32(header + 28, 32000);
    putU32(header + 40, static_cast<uint32_t>(bytes - 44));
    std::fwrite(header, 1, sizeof header, file);
    std::vector<int16_t> block(1 << 16);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<int16_t>((i * 37) % 20000 - 10000);
    size_t left = bytes - sizeof header;
    while (left > 0) {
        size_t n = std::min(left, block.size() * sizeof(int16_t));
        std::fwrite(block.data(), 1, n, file);
        left -= n;
    }
    std::fclose(file);
    return path;
}

int listenLoopback(unsigned *port)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length);
    *port = ntohs(address.sin_port);
    listen(fd, 4);
    return fd;
}

bool readExactly(int fd, void *buffer, size_t n)
{
    char *p = static_cast<char *>(buffer);
    while (n > 0) {
        ssize_t got = recv(fd, p, n, 0);
        if (got <= 0)
            return false;
        p += got;
        n -= static_cast<size_t>(got);
    }
    return true;
}

// Drains `expected` bytes (or to EOF when 0) in 1 MiB reads; returns the seconds
// from the first byte wanted to the last one in.
double drain(int fd, size_t expected)
{
    std::vector<char> buffer(1 << 20);
    size_t total = 0;
    auto start = Clock::now();
    for (;;) {
        size_t want = expected ? std::min(buffer.size(), expected - total) : buffer.size();
        if (expected && want == 0)
            break;
        ssize_t got = recv(fd, buffer.data(), want, 0);
        if (got <= 0)
            break;
        total += static_cast<size_t>(got);
    }
    return secondsSince(start);
}

// Plays the service for one job: answers the announcement with offset 0,
// takes the audio, sends a final reply.
void serveJob(int listenFd, size_t audioBytes, double *uploadSeconds)
{
    int fd = accept(listenFd, nullptr, nullptr);
    unsigned char header[24];
    readExactly(fd, header, sizeof header);
    std::vector<char> body(getU32(header + 20));
    readExactly(fd, body.data(), body.size());
    unsigned char reply[24] = {};
    putU32(reply, 7099);
    putU32(reply + 4, 1);
    putU32(reply + 8, 106);
    send(fd, reply, sizeof reply, 0);
    *uploadSeconds = drain(fd, audioBytes);
    const char text[] = "1\r\n00:00:00,000 --> 00:00:01,000\r\nok\r\n";
    putU32(reply + 16, 1);
    putU32(reply + 20, sizeof text - 1);
    send(fd, reply, sizeof reply, 0);
    send(fd, text, sizeof text - 1, 0);
    close(fd);
}

struct ProgressSink {
    void *slot = nullptr;
    size_t reports = 0;
};

int countProgress(void **slot)
{
    ++reinterpret_cast<ProgressSink *>(slot)->reports;
    return 0;
}

struct LibraryRun {
    double total;  // whole call, fingerprint included
    double upload; // the sink's view of the audio stream
};

LibraryRun runLibrary(const std::string &path, size_t bytes)
{
    unsigned port;
    int listenFd = listenLoopback(&port);
    double upload = 0;
    std::thread sink(serveJob, listenFd, bytes, &upload);
    ProgressSink progress;
    TranscriptionInfo info{};
    info.duration = static_cast<int32_t>(bytes / 32000);
    info.type = "bench.wav";
    info.size = static_cast<uint32_t>(bytes);
    info.progress_slot = &progress.slot;
    info.progress = countProgress;
    auto start = Clock::now();
    ServiceHandle *h = subtitle_start("127.0.0.1", port);
    char *result = nullptr;
    int rc = subtitle_audio(h, "bench", "session", path.c_str(), nullptr, &info, &result);
    double total = secondsSince(start);
    subtitle_end(h);
    sink.join();
    close(listenFd);
    if (rc != 0) {
        std::fprintf(stderr, "subtitle_audio failed: %d\n", errnum);
        std::exit(1);
    }
    return {total, upload};
}

// The plain loop: read() a piece, send() it on a blocking socket with the
// library's socket options (TCP_NODELAY).
double runPlain(const std::string &path, size_t piece)
{
    unsigned port;
    int listenFd = listenLoopback(&port);
    double seconds = 0;
    std::thread sink([&] {
        int fd = accept(listenFd, nullptr, nullptr);
        seconds = drain(fd, 0);
        close(fd);
    });
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
    int file = open(path.c_str(), O_RDONLY);
    std::vector<char> buffer(piece);
    ssize_t got;
    while ((got = read(file, buffer.data(), buffer.size())) > 0) {
        ssize_t done = 0;
        while (done < got) {
            ssize_t sent = send(fd, buffer.data() + done, got - done, MSG_NOSIGNAL);
            if (sent <= 0) {
                std::perror("send");
                std::exit(1);
            }
            done += sent;
        }
    }
    close(file);
    close(fd);
    sink.join();
    close(listenFd);
    return seconds;
}

double megabytesPerSecond(size_t bytes, double seconds)
{
    return bytes / 1e6 / seconds;
}

} // namespace

int main(int argc, char **argv)
{
    const size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 200;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    const size_t bytes = megabytes * 1000 * 1000;
    const char *tmp = std::getenv("TMPDIR");
    const std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/voxlink-bench-"
        + std::to_string(getpid()) + ".wav";
    writeWav(path, bytes);
    std::printf("file: %zu bytes (%.0f MB WAV), %d rounds, best round reported\n", bytes, bytes / 1e6, rounds);

    double libraryTotal = 1e9, libraryUpload = 1e9, plainSmall = 1e9, plainLarge = 1e9;
    for (int round = 0; round < rounds; ++round) {
        LibraryRun library = runLibrary(path, bytes);
        double small = runPlain(path, 1024);
        double large = runPlain(path, 1 << 20);
        std::printf("round %d: library %.1f MB/s upload (%.1f MB/s whole call), plain 1024 B %.1f MB/s, "
                    "plain 1 MiB %.1f MB/s\n",
                    round + 1, megabytesPerSecond(bytes, library.upload), megabytesPerSecond(bytes, library.total),
                    megabytesPerSecond(bytes, small), megabytesPerSecond(bytes, large));
        libraryTotal = std::min(libraryTotal, library.total);
        libraryUpload = std::min(libraryUpload, library.upload);
        plainSmall = std::min(plainSmall, small);
        plainLarge = std::min(plainLarge, large);
    }
    std::remove(path.c_str());

    const double lib = megabytesPerSecond(bytes, libraryUpload);
    const double libCall = megabytesPerSecond(bytes, libraryTotal);
    const double small = megabytesPerSecond(bytes, plainSmall);
    const double large = megabytesPerSecond(bytes, plainLarge);
    std::printf("library upload (subtitle_audio, 1024 B pieces): %8.1f MB/s\n", lib);
    std::printf("library whole call (MD5 fingerprint included): %8.1f MB/s\n", libCall);
    std::printf("plain loop, 1024 B pieces:                     %8.1f MB/s\n", small);
    std::printf("plain loop, 1 MiB pieces:                      %8.1f MB/s\n", large);
    std::printf("library / plain 1024 B: %.2f (target >= 0.80)\n", lib / small);
    std::printf("library / plain 1 MiB:  %.2f\n", lib / large);
    std::printf("whole call / plain 1024 B: %.2f\n", libCall / small);
    return 0;
}
