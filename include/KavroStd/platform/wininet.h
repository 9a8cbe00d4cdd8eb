// HTTP and HTTPS through the WinINet calls a self-updating module makes:
// open a session, open an address, read its body as it arrives, close.
//
//   HINTERNET session = InternetOpenW(L"Agent", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
//   HINTERNET request = InternetOpenUrlW(session, L"https://host/version.txt", nullptr, 0,
//                                        INTERNET_FLAG_RELOAD, 0);
//   BYTE buffer[4096];
//   DWORD got = 0;
//   while (InternetReadFile(request, buffer, sizeof(buffer), &got) && got > 0) { ... }
//   InternetCloseHandle(request);
//   InternetCloseHandle(session);
//
// Nothing is cached: every request goes to the server with "Cache-Control:
// no-cache". A status of 400 or more fails InternetOpenUrlW. HTTPS always
// verifies the server's certificate (SSL_CERT_FILE or CURL_CA_BUNDLE name
// another CA bundle). A transfer that moves less than 1 byte a second for
// 30 seconds, or a connection not made within 30 seconds, fails with
// ERROR_INTERNET_TIMEOUT. InternetReadFile returns what has arrived (at
// least one byte, blocking until then) and TRUE with 0 bytes at the end; a
// body cut short fails it. Failures set the ERROR_INTERNET_* codes below.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include "KavroStd/platform/export.h"
#include "KavroStd/platform/win_types.h"

typedef LPVOID HINTERNET;
typedef HINTERNET* LPHINTERNET;
typedef WORD INTERNET_PORT;

// InternetOpenW access types.
#define INTERNET_OPEN_TYPE_PRECONFIG 0
#define INTERNET_OPEN_TYPE_DIRECT 1
#define INTERNET_OPEN_TYPE_PROXY 3
#define INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY 4
#define INTERNET_FLAG_ASYNC 0x10000000
#define INTERNET_FLAG_OFFLINE 0x01000000

// InternetOpenUrlW flags. Requests never use a cache, so the cache flags
// change nothing; NO_AUTO_REDIRECT hands back the redirect response itself.
#define INTERNET_FLAG_RELOAD 0x80000000
#define INTERNET_FLAG_RAW_DATA 0x40000000
#define INTERNET_FLAG_EXISTING_CONNECT 0x20000000
#define INTERNET_FLAG_SECURE 0x00800000
#define INTERNET_FLAG_KEEP_CONNECTION 0x00400000
#define INTERNET_FLAG_NO_AUTO_REDIRECT 0x00200000
#define INTERNET_FLAG_READ_PREFETCH 0x00100000
#define INTERNET_FLAG_NO_COOKIES 0x00080000
#define INTERNET_FLAG_NO_AUTH 0x00040000
#define INTERNET_FLAG_CACHE_IF_NET_FAIL 0x00010000
#define INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP 0x00008000
#define INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS 0x00004000
#define INTERNET_FLAG_IGNORE_CERT_DATE_INVALID 0x00002000
#define INTERNET_FLAG_IGNORE_CERT_CN_INVALID 0x00001000
#define INTERNET_FLAG_RESYNCHRONIZE 0x00000800
#define INTERNET_FLAG_HYPERLINK 0x00000400
#define INTERNET_FLAG_NO_UI 0x00000200
#define INTERNET_FLAG_PRAGMA_NOCACHE 0x00000100
#define INTERNET_FLAG_CACHE_ASYNC 0x00000080
#define INTERNET_FLAG_FORMS_SUBMIT 0x00000040
#define INTERNET_FLAG_FWD_BACK 0x00000020
#define INTERNET_FLAG_NEED_FILE 0x00000010
#define INTERNET_FLAG_MUST_CACHE_REQUEST INTERNET_FLAG_NEED_FILE
#define INTERNET_FLAG_NO_CACHE_WRITE 0x04000000
#define INTERNET_FLAG_DONT_CACHE INTERNET_FLAG_NO_CACHE_WRITE

// InternetGetConnectedState flags.
#define INTERNET_CONNECTION_MODEM 0x01
#define INTERNET_CONNECTION_LAN 0x02
#define INTERNET_CONNECTION_PROXY 0x04
#define INTERNET_CONNECTION_MODEM_BUSY 0x08
#define INTERNET_RAS_INSTALLED 0x10
#define INTERNET_CONNECTION_OFFLINE 0x20
#define INTERNET_CONNECTION_CONFIGURED 0x40

// InternetCanonicalizeUrlW flags.
#define ICU_ESCAPE 0x80000000
#define ICU_USERNAME 0x40000000
#define ICU_NO_ENCODE 0x20000000
#define ICU_DECODE 0x10000000
#define ICU_NO_META 0x08000000
#define ICU_ENCODE_SPACES_ONLY 0x04000000
#define ICU_BROWSER_MODE 0x02000000
#define ICU_ENCODE_PERCENT 0x00001000
#define INTERNET_MAX_URL_LENGTH 2084

// HttpQueryInfoW levels (the few answered) and modifiers.
#define HTTP_QUERY_CONTENT_TYPE 1
#define HTTP_QUERY_CONTENT_LENGTH 5
#define HTTP_QUERY_STATUS_CODE 19
#define HTTP_QUERY_STATUS_TEXT 20
#define HTTP_QUERY_RAW_HEADERS_CRLF 22
#define HTTP_QUERY_LOCATION 33
#define HTTP_QUERY_FLAG_NUMBER 0x20000000
#define HTTP_QUERY_MODIFIER_FLAGS_MASK 0xF0000000
#define HTTP_QUERY_HEADER_MASK 0x0000FFFF

// InternetSetOptionW / InternetQueryOptionW options (DWORD milliseconds).
#define INTERNET_OPTION_CONNECT_TIMEOUT 2
#define INTERNET_OPTION_RECEIVE_TIMEOUT 6
#define INTERNET_OPTION_SEND_TIMEOUT 5

// WinINet error codes.
#define INTERNET_ERROR_BASE 12000
#define ERROR_INTERNET_OUT_OF_HANDLES 12001L
#define ERROR_INTERNET_TIMEOUT 12002L
#define ERROR_INTERNET_EXTENDED_ERROR 12003L
#define ERROR_INTERNET_INTERNAL_ERROR 12004L
#define ERROR_INTERNET_INVALID_URL 12005L
#define ERROR_INTERNET_UNRECOGNIZED_SCHEME 12006L
#define ERROR_INTERNET_NAME_NOT_RESOLVED 12007L
#define ERROR_INTERNET_INVALID_OPTION 12009L
#define ERROR_INTERNET_BAD_OPTION_LENGTH 12010L
#define ERROR_INTERNET_OPERATION_CANCELLED 12017L
#define ERROR_INTERNET_INCORRECT_HANDLE_TYPE 12018L
#define ERROR_INTERNET_ITEM_NOT_FOUND 12028L
#define ERROR_INTERNET_CANNOT_CONNECT 12029L
#define ERROR_INTERNET_CONNECTION_ABORTED 12030L
#define ERROR_INTERNET_CONNECTION_RESET 12031L
#define ERROR_INTERNET_SEC_CERT_DATE_INVALID 12037L
#define ERROR_INTERNET_SEC_CERT_CN_INVALID 12038L
#define ERROR_INTERNET_INVALID_CA 12045L
#define ERROR_INTERNET_SEC_CERT_REV_FAILED 12057L
#define ERROR_HTTP_HEADER_NOT_FOUND 12150L
#define ERROR_HTTP_INVALID_SERVER_RESPONSE 12152L
#define ERROR_HTTP_REDIRECT_FAILED 12156L
#define ERROR_INTERNET_SECURITY_CHANNEL_ERROR 12157L
#define ERROR_INTERNET_DECODING_FAILED 12175L

KVSTD_C_API HINTERNET InternetOpenW(LPCWSTR agent, DWORD accessType, LPCWSTR proxy, LPCWSTR proxyBypass,
                                    DWORD flags);
KVSTD_C_API HINTERNET InternetOpenUrlW(HINTERNET session, LPCWSTR url, LPCWSTR headers, DWORD headersLength,
                                       DWORD flags, DWORD_PTR context);
KVSTD_C_API BOOL InternetReadFile(HINTERNET request, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead);
KVSTD_C_API BOOL InternetCloseHandle(HINTERNET handle);
KVSTD_C_API BOOL HttpQueryInfoW(HINTERNET request, DWORD infoLevel, LPVOID buffer, LPDWORD bufferLength,
                                LPDWORD index);
KVSTD_C_API BOOL InternetSetOptionW(HINTERNET handle, DWORD option, LPVOID buffer, DWORD bufferLength);
KVSTD_C_API BOOL InternetQueryOptionW(HINTERNET handle, DWORD option, LPVOID buffer, LPDWORD bufferLength);
// TRUE when an interface other than loopback is up with an address and a
// route leaves through it; looks only at the machine's own tables.
KVSTD_C_API BOOL InternetGetConnectedState(LPDWORD flags, DWORD reserved);
KVSTD_C_API BOOL InternetCanonicalizeUrlW(LPCWSTR url, LPWSTR buffer, LPDWORD bufferLength, DWORD flags);
