// How the POSIX internet entries (platform/native_internet.h, over libcurl's multi
// interface) turn libcurl's failures into WinINet codes.
#pragma once

#include <cstdint>

// WinINet code for a libcurl result code (CURLcode as an int).
uint32_t inet_error_from_curl(int curl_code);
// WinINet code for a certificate libcurl refused, by OpenSSL's verify result (-1:
// unknown): 12045 untrusted issuer, 12038 another host's name, 12037 expired or not
// yet valid, 12170 revoked, 12169 any other fault of the certificate.
uint32_t inet_error_from_certificate(long verify_result);
