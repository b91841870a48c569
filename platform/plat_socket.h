// plat_socket.h -- Windows Sockets names over the BSD socket calls
#pragma once

#include "platform/plat_types.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/types.h>

// ---------------------------------------------------------------------------------------------
// Windows Sockets 1.1 names over the BSD socket calls (socket, connect, send, recv, bind, listen,
// accept, gethostbyname, htons, inet_addr come straight from the system)
// ---------------------------------------------------------------------------------------------
typedef int SOCKET;
typedef struct hostent HOSTENT, *LPHOSTENT, *PHOSTENT;
typedef struct sockaddr SOCKADDR, *LPSOCKADDR, *PSOCKADDR;
typedef struct sockaddr_in SOCKADDR_IN, *LPSOCKADDR_IN, *PSOCKADDR_IN;
typedef struct in_addr IN_ADDR;
#define INVALID_SOCKET ((SOCKET)-1)
#define SOCKET_ERROR (-1)
#define WSADESCRIPTION_LEN 256
#define WSASYS_STATUS_LEN 128
typedef struct WSAData {
    WORD wVersion;
    WORD wHighVersion;
    char szDescription[WSADESCRIPTION_LEN + 1];
    char szSystemStatus[WSASYS_STATUS_LEN + 1];
    unsigned short iMaxSockets;
    unsigned short iMaxUdpDg;
    char *lpVendorInfo;
} WSADATA, *LPWSADATA;

#define FD_READ 0x01
#define FD_WRITE 0x02
#define FD_OOB 0x04
#define FD_ACCEPT 0x08
#define FD_CONNECT 0x10
#define FD_CLOSE 0x20
#define WSAGETSELECTEVENT(l) LOWORD(l)
#define WSAGETSELECTERROR(l) HIWORD(l)
#define WSAMAKESELECTREPLY(event, error) ((LPARAM)(DWORD)MAKELONG(event, error))

#define WSABASEERR 10000
#define WSAEINTR 10004
#define WSAEBADF 10009
#define WSAEACCES 10013
#define WSAEFAULT 10014
#define WSAEINVAL 10022
#define WSAEMFILE 10024
#define WSAEWOULDBLOCK 10035
#define WSAEINPROGRESS 10036
#define WSAEALREADY 10037
#define WSAENOTSOCK 10038
#define WSAEDESTADDRREQ 10039
#define WSAEMSGSIZE 10040
#define WSAEPROTOTYPE 10041
#define WSAENOPROTOOPT 10042
#define WSAEPROTONOSUPPORT 10043
#define WSAESOCKTNOSUPPORT 10044
#define WSAEOPNOTSUPP 10045
#define WSAEPFNOSUPPORT 10046
#define WSAEAFNOSUPPORT 10047
#define WSAEADDRINUSE 10048
#define WSAEADDRNOTAVAIL 10049
#define WSAENETDOWN 10050
#define WSAENETUNREACH 10051
#define WSAENETRESET 10052
#define WSAECONNABORTED 10053
#define WSAECONNRESET 10054
#define WSAENOBUFS 10055
#define WSAEISCONN 10056
#define WSAENOTCONN 10057
#define WSAESHUTDOWN 10058
#define WSAETIMEDOUT 10060
#define WSAECONNREFUSED 10061
#define WSAEHOSTUNREACH 10065
#define WSASYSNOTREADY 10091
#define WSAVERNOTSUPPORTED 10092
#define WSANOTINITIALISED 10093
#define WSAHOST_NOT_FOUND 11001
#define WSATRY_AGAIN 11002
#define WSANO_RECOVERY 11003
#define WSANO_DATA 11004

// ---------------------------------------------------------------------------------------------
// Windows Sockets
// ---------------------------------------------------------------------------------------------
int WSAStartup(WORD version, LPWSADATA data);
int WSACleanup(void);
// The last socket error as a WSAE* code (EWOULDBLOCK and EINPROGRESS give WSAEWOULDBLOCK).
int WSAGetLastError(void);
void WSASetLastError(int error);
int closesocket(SOCKET socket);
// FIONBIO with *arg non-zero makes the socket non-blocking; FIONREAD gives the bytes waiting.
int ioctlsocket(SOCKET socket, long command, u_long *arg);
// Asks for `message` to be posted to `window` with wParam = the socket and lParam =
// WSAMAKESELECTREPLY(event, error) for the FD_READ / FD_WRITE / FD_CONNECT / FD_CLOSE events in
// `events` (0 stops notification). FD_READ is posted again while data stays unread after a recv.
int WSAAsyncSelect(SOCKET socket, HWND window, UINT message, long events);
// gethostbyname keeps its system shape; the layer's version also records the lookup's error
// (WSAHOST_NOT_FOUND, WSATRY_AGAIN, WSANO_RECOVERY, WSANO_DATA) for WSAGetLastError.
struct hostent *PlatformGetHostByName(const char *name);
#define gethostbyname(name) PlatformGetHostByName(name)
