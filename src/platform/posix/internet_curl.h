// The internet entries of the POSIX table: WinINet-shaped sessions and GET requests
// over libcurl's multi interface, with the errors turned into WinINet codes.
#pragma once

#include <cstdint>

#include "platform/platform.h"

InetHandle* curl_open_session(const char* agent, const char* proxy);
InetHandle* curl_connect(InetHandle* session, const char* host, int port);
InetHandle* curl_open_request(InetHandle* connection, const char* verb, const char* object, int secure);
int curl_send_request(InetHandle* request, const char* headers);
int curl_query_header(InetHandle* request, InetHeader which, char* buf, uint32_t* len);
int curl_query_data_available(InetHandle* request, uint32_t* available);
int curl_read(InetHandle* request, void* buf, uint32_t size, uint32_t* read);
int curl_wire_bytes(InetHandle* request, uint64_t* bytes);
void curl_close(InetHandle* handle);
uint32_t curl_last_error();

// WinINet code for a libcurl result code (CURLcode as an int).
uint32_t inet_error_from_curl(int curl_code);
// WinINet code for a certificate libcurl refused, by OpenSSL's verify result (-1:
// unknown): 12045 untrusted issuer, 12038 another host's name, 12037 expired or not
// yet valid, 12170 revoked, 12169 any other fault of the certificate.
uint32_t inet_error_from_certificate(long verify_result);
