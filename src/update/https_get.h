#pragma once
// One HTTPS GET through libcurl, with the peer's certificate and host name verified.
#include <atomic>
#include <string>

namespace vn {

struct HttpsGetOptions {
  long connectTimeoutMs = 5000;
  long totalTimeoutMs = 15000;
  size_t maxBodyBytes = 1 << 20;  // a longer answer is cut off and counts as a transport error
  std::string caFile;             // certificates trusted besides the system's store; empty for none
  std::string userAgent;
  const std::atomic<bool>* cancel = nullptr;  // when it becomes true the exchange ends (within about a second)
};

struct HttpsResponse {
  bool transportOk = false;  // the exchange completed (whatever the status)
  long status = 0;           // the HTTP status of the last answer
  std::string body;
  std::string error;  // why the exchange failed, when it did
};

// Only https:// addresses are fetched, and redirects may lead only to https:// addresses.
HttpsResponse httpsGet(const std::string& url, const HttpsGetOptions& options);

}  // namespace vn
