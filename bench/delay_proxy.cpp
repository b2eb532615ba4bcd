// A TCP proxy on the loopback address for the benchmarks' slow link: it listens on 127.0.0.1 (a
// free port, printed on the first line of its output), passes each connection on to a server's
// Unix socket, and holds every piece of data for the given delay in each direction, so that a
// delay of 1000 microseconds makes a round trip of 2 ms. Data keeps its order; nothing is
// dropped. It ends when its standard input closes.
// Usage: delay_proxy UNIX_SOCKET DELAY_MICROSECONDS

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace
{

using TClock = std::chrono::steady_clock;

struct TChunk {
    TClock::time_point due;
    std::string data;
};

bool WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

// Copies from one socket to the other, each piece sent when its delay is over.
void Pump(int from, int to, std::chrono::microseconds delay)
{
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<TChunk> chunks;
    bool closed = false;
    std::thread writer([&] {
        for (;;) {
            std::unique_lock lock(mutex);
            ready.wait(lock, [&] { return closed || !chunks.empty(); });
            if (chunks.empty())
                break;
            const TClock::time_point due = chunks.front().due;
            lock.unlock();
            std::this_thread::sleep_until(due);
            lock.lock();
            const std::string data = std::move(chunks.front().data);
            chunks.pop_front();
            lock.unlock();
            if (!WriteAll(to, data.data(), data.size()))
                break;
        }
        ::shutdown(to, SHUT_WR);
    });
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(from, buffer, sizeof buffer);
        if (n <= 0)
            break;
        std::lock_guard lock(mutex);
        chunks.push_back({TClock::now() + delay, std::string(buffer, size_t(n))});
        ready.notify_one();
    }
    {
        std::lock_guard lock(mutex);
        closed = true;
        ready.notify_one();
    }
    writer.join();
}

void Serve(int client, std::string target, std::chrono::microseconds delay)
{
    const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, target.c_str(), sizeof address.sun_path - 1);
    if (server < 0 ||
        ::connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::perror("delay_proxy: connect");
        ::close(client);
        if (server >= 0)
            ::close(server);
        return;
    }
    std::thread back([=] { Pump(server, client, delay); });
    Pump(client, server, delay);
    back.join();
    ::close(client);
    ::close(server);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: delay_proxy UNIX_SOCKET DELAY_MICROSECONDS\n");
        return 2;
    }
    const std::string target = argv[1];
    const std::chrono::microseconds delay(std::atol(argv[2]));
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 64) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::perror("delay_proxy: listen");
        return 1;
    }
    std::printf("%d\n", int(ntohs(address.sin_port)));
    std::fflush(stdout);
    std::thread([] {
        char c;
        while (::read(0, &c, 1) > 0) {
        }
        std::_Exit(0);
    }).detach();
    for (;;) {
        const int client = ::accept(listener, nullptr, nullptr);
        if (client < 0)
            continue;
        const int on = 1;
        ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        std::thread(Serve, client, target, delay).detach();
    }
}
