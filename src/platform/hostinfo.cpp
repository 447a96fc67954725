#include "platform/hostinfo.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

std::string PlatformComputerName() {
    constexpr std::size_t kMax = 1024;
    const char* env = std::getenv("COMPUTERNAME");
    std::string name;
    if (env != nullptr && *env != '\0') {
        name = env;
    } else {
        char buf[kMax + 1] = {};
        if (::gethostname(buf, kMax) != 0) return {};
        name = buf;
    }
    if (name.size() > kMax) name.resize(kMax);
    return name;
}

std::string PlatformHostName() {
    char buf[1025] = {};
    if (::gethostname(buf, 1024) != 0) return {};
    return buf;
}

std::vector<std::string> ResolveIPv4(const std::string& name) {
    std::vector<std::string> out;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* res = nullptr;
    if (::getaddrinfo(name.c_str(), nullptr, &hints, &res) != 0) return out;
    for (addrinfo* p = res; p != nullptr; p = p->ai_next) {
        char text[INET_ADDRSTRLEN] = {};
        sockaddr_in addr{};
        std::memcpy(&addr, p->ai_addr, sizeof addr);
        if (::inet_ntop(AF_INET, &addr.sin_addr, text, sizeof text) == nullptr) continue;
        if (std::find(out.begin(), out.end(), text) == out.end()) out.emplace_back(text);
    }
    ::freeaddrinfo(res);
    return out;
}
