// The internet entries of the seam as the system gives them, one set per build:
// libcurl's multi interface on POSIX, WinINet on Windows. Both give WinINet-shaped
// sessions and GET requests with WinINet's error codes, under the table's contract.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace native_inet {

InetHandle* open_session(const char* agent, const char* proxy);
InetHandle* connect(InetHandle* session, const char* host, int port);
InetHandle* open_request(InetHandle* connection, const char* verb, const char* object, int secure);
int send_request(InetHandle* request, const char* headers);
int query_header(InetHandle* request, InetHeader which, char* buf, uint32_t* len);
int query_data_available(InetHandle* request, uint32_t* available);
int read(InetHandle* request, void* buf, uint32_t size, uint32_t* read);
void close(InetHandle* handle);
uint32_t last_error();

}  // namespace native_inet

// Points the table's internet entries at the system's.
inline void fill_internet_entries(Platform* p)
{
    p->inet_open_session = native_inet::open_session;
    p->inet_connect = native_inet::connect;
    p->inet_open_request = native_inet::open_request;
    p->inet_send_request = native_inet::send_request;
    p->inet_query_header = native_inet::query_header;
    p->inet_query_data_available = native_inet::query_data_available;
    p->inet_read = native_inet::read;
    p->inet_close = native_inet::close;
    p->inet_last_error = native_inet::last_error;
}
