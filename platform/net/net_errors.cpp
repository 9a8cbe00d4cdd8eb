// libcurl results and HTTP statuses as WinINet error codes.
#include <cerrno>

#include "KavroStd/platform/win_errors.h"
#include "platform/net/net_internal.h"

namespace kavro::platform::net {
namespace {

// OpenSSL's verification results (X509_V_ERR_*) that name the cause.
constexpr long kCertNotYetValid = 9;
constexpr long kCertHasExpired = 10;
constexpr long kUnspecified = 1;  // what curl leaves when its own name check fails
constexpr long kHostnameMismatch = 62;

DWORD CertificateError(CURL* easy) {
  long verify = -1;
  if (easy) curl_easy_getinfo(easy, CURLINFO_SSL_VERIFYRESULT, &verify);
  if (verify == kCertNotYetValid || verify == kCertHasExpired) return ERROR_INTERNET_SEC_CERT_DATE_INVALID;
  // A chain that failed leaves OpenSSL's reason; otherwise the chain was
  // good and the name check (OpenSSL's or curl's own) failed.
  if (verify > kUnspecified && verify != kHostnameMismatch) return ERROR_INTERNET_INVALID_CA;
  return ERROR_INTERNET_SEC_CERT_CN_INVALID;
}

DWORD SocketError(CURL* easy) {
  long osError = 0;
  if (easy) curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &osError);
  return osError == ECONNRESET ? ERROR_INTERNET_CONNECTION_RESET : ERROR_INTERNET_CONNECTION_ABORTED;
}

}  // namespace

DWORD ErrorFromCurl(CURLcode code, CURL* easy) {
  switch (code) {
    case CURLE_OK: return ERROR_SUCCESS;
    case CURLE_UNSUPPORTED_PROTOCOL: return ERROR_INTERNET_UNRECOGNIZED_SCHEME;
    case CURLE_URL_MALFORMAT: return ERROR_INTERNET_INVALID_URL;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST: return ERROR_INTERNET_NAME_NOT_RESOLVED;
    case CURLE_COULDNT_CONNECT: return ERROR_INTERNET_CANNOT_CONNECT;
    case CURLE_OPERATION_TIMEDOUT: return ERROR_INTERNET_TIMEOUT;
    case CURLE_PARTIAL_FILE: return ERROR_INTERNET_CONNECTION_ABORTED;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR: return SocketError(easy);
    case CURLE_GOT_NOTHING:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
    case CURLE_HTTP3:
    case CURLE_WRITE_ERROR:  // only the header limit refuses writes
      return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    case CURLE_TOO_MANY_REDIRECTS: return ERROR_HTTP_REDIRECT_FAILED;
    case CURLE_PEER_FAILED_VERIFICATION: return CertificateError(easy);
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR: return ERROR_INTERNET_INVALID_CA;
    case CURLE_SSL_INVALIDCERTSTATUS: return ERROR_INTERNET_SEC_CERT_REV_FAILED;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH: return ERROR_INTERNET_SECURITY_CHANNEL_ERROR;
    case CURLE_BAD_CONTENT_ENCODING: return ERROR_INTERNET_DECODING_FAILED;
    case CURLE_OUT_OF_MEMORY: return ERROR_NOT_ENOUGH_MEMORY;
    case CURLE_ABORTED_BY_CALLBACK: return ERROR_INTERNET_OPERATION_CANCELLED;
    default: return ERROR_INTERNET_INTERNAL_ERROR;
  }
}

DWORD ErrorFromStatus(long status) {
  return status == 404 || status == 410 ? ERROR_INTERNET_ITEM_NOT_FOUND : ERROR_INTERNET_EXTENDED_ERROR;
}

}  // namespace kavro::platform::net
