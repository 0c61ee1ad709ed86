#include "LoopbackListen.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

int ListenOnPort80(const std::function<std::uint32_t(unsigned)> &candidate, unsigned attempts, int backlog,
                   std::string &host)
{
    for (unsigned n = 0; n < attempts; ++n) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return -1;
        const int one = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(80);
        sa.sin_addr.s_addr = htonl(candidate(n));
        if (::bind(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa) == 0 && ::listen(fd, backlog) == 0) {
            char text[INET_ADDRSTRLEN] = {};
            ::inet_ntop(AF_INET, &sa.sin_addr, text, sizeof text);
            host = text;
            return fd;
        }
        ::close(fd);
    }
    return -1;
}
