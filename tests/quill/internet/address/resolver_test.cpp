#include "quill/internet/address/resolver.h"

#include <gtest/gtest.h>

#include <string>

#include "quill/internet/environment/guard.h"

namespace {

using namespace quill::internet;

TEST(ResolverTest, SystemResolverIsTheOneOfWs2_32) {
    const address::resolver& chosen = address::system_resolver();
    const HMODULE ws2_32 = ::GetModuleHandleW(L"ws2_32.dll");
    ASSERT_NE(nullptr, ws2_32);
    EXPECT_EQ(reinterpret_cast<void*>(::GetProcAddress(ws2_32, "getaddrinfo")),
              reinterpret_cast<void*>(chosen.getaddrinfo));
    EXPECT_EQ(&chosen, &address::system_resolver()) << "the choice is made once";
}

TEST(ResolverTest, LibraryWithoutTheCallsIsNotTaken) {
    address::resolver untouched;
    EXPECT_FALSE(address::load_resolver(L"kernel32.dll", untouched));
    EXPECT_FALSE(address::load_resolver(L"no-such-library.dll", untouched));
    EXPECT_EQ(nullptr, untouched.getaddrinfo);
}

struct fallback_case {
    const char* node;
    const char* service;
    int family;
    int status;
    const char* address;  // first result, dotted
    unsigned short port;
};

const fallback_case kFallbackCases[] = {
    {"127.0.0.1", nullptr, AF_UNSPEC, 0, "127.0.0.1", 0},
    {"127.0.0.1", "25", AF_INET, 0, "127.0.0.1", 25},
    {"localhost", "smtp", AF_UNSPEC, 0, "127.0.0.1", 25},
    {"255.255.255.255", "65535", AF_UNSPEC, 0, "255.255.255.255", 65535},
    {"no..such..host.invalid", nullptr, AF_UNSPEC, WSAHOST_NOT_FOUND, nullptr, 0},
    {"127.0.0.1", "no-such-service", AF_UNSPEC, WSATYPE_NOT_FOUND, nullptr, 0},
    {"127.0.0.1", "65536", AF_UNSPEC, WSATYPE_NOT_FOUND, nullptr, 0},
    {"127.0.0.1", nullptr, AF_INET6, WSAEAFNOSUPPORT, nullptr, 0},
    {nullptr, nullptr, AF_UNSPEC, WSAHOST_NOT_FOUND, nullptr, 0},
};

TEST(ResolverTest, FallbackResolvesIpv4LikeGetaddrinfo) {
    environment::guard sockets;
    const address::resolver fallback = address::fallback_resolver();
    for (const fallback_case& row : kFallbackCases) {
        const std::string context = std::string(row.node ? row.node : "(none)") + " / " +
                                    (row.service ? row.service : "(none)");
        ADDRINFOA hints{};
        hints.ai_family = row.family;
        hints.ai_socktype = SOCK_STREAM;
        ADDRINFOA* list = reinterpret_cast<ADDRINFOA*>(0xBD);
        const int status = fallback.getaddrinfo(row.node, row.service, &hints, &list);
        ASSERT_EQ(row.status, status) << context;
        if (status != 0) {
            EXPECT_EQ(nullptr, list) << context;
            continue;
        }
        ASSERT_NE(nullptr, list) << context;
        EXPECT_EQ(AF_INET, list->ai_family) << context;
        EXPECT_EQ(SOCK_STREAM, list->ai_socktype) << context;
        ASSERT_EQ(sizeof(sockaddr_in), list->ai_addrlen) << context;
        const auto* ip = reinterpret_cast<const sockaddr_in*>(list->ai_addr);
        EXPECT_STREQ(row.address, ::inet_ntoa(ip->sin_addr)) << context;
        EXPECT_EQ(row.port, ::ntohs(ip->sin_port)) << context;
        fallback.freeaddrinfo(list);
    }
}

TEST(ResolverTest, FallbackNamesAddressAndPort) {
    environment::guard sockets;
    const address::resolver fallback = address::fallback_resolver();
    sockaddr_in ip{};
    ip.sin_family = AF_INET;
    ip.sin_port = ::htons(25);
    ip.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    char host[1025];
    char service[32];
    ASSERT_EQ(0, fallback.getnameinfo(reinterpret_cast<const sockaddr*>(&ip), sizeof(ip), host,
                                      sizeof(host), service, sizeof(service),
                                      NI_NUMERICHOST | NI_NUMERICSERV));
    EXPECT_STREQ("127.0.0.1", host);
    EXPECT_STREQ("25", service);
    EXPECT_EQ(WSAEFAULT, fallback.getnameinfo(reinterpret_cast<const sockaddr*>(&ip), sizeof(ip),
                                              host, 9, nullptr, 0, NI_NUMERICHOST))
        << "a buffer too small for the text";
    ip.sin_family = AF_INET6;
    EXPECT_EQ(WSAEAFNOSUPPORT,
              fallback.getnameinfo(reinterpret_cast<const sockaddr*>(&ip), sizeof(ip), host,
                                   sizeof(host), nullptr, 0, NI_NUMERICHOST));
}

TEST(ResolverTest, FallbackCanonicalNameAndPassiveAddress) {
    environment::guard sockets;
    const address::resolver fallback = address::fallback_resolver();
    ADDRINFOA hints{};
    hints.ai_flags = AI_CANONNAME;
    ADDRINFOA* list = nullptr;
    ASSERT_EQ(0, fallback.getaddrinfo("127.0.0.1", nullptr, &hints, &list));
    ASSERT_NE(nullptr, list->ai_canonname);
    EXPECT_STREQ("127.0.0.1", list->ai_canonname);
    fallback.freeaddrinfo(list);

    hints.ai_flags = AI_PASSIVE;
    ASSERT_EQ(0, fallback.getaddrinfo(nullptr, "25", &hints, &list));
    EXPECT_EQ(INADDR_ANY, reinterpret_cast<const sockaddr_in*>(list->ai_addr)->sin_addr.s_addr);
    fallback.freeaddrinfo(list);
}

}  // namespace
