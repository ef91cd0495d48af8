#pragma once

#include <winsock2.h>

// A loopback port that nobody listens on: bound once to let the system pick it, then released.
// Connections to it are refused at once.
inline unsigned short ClosedLoopbackPort()
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    const SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof(address);
    bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    closesocket(probe);
    return ntohs(address.sin_port);
}
