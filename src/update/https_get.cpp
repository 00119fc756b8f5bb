#include "update/https_get.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace vn {
namespace {

struct Sink {
  std::string* body;
  size_t limit;
};

size_t appendBody(char* data, size_t size, size_t count, void* user) {
  Sink& sink = *static_cast<Sink*>(user);
  const size_t bytes = size * count;
  if (sink.body->size() + bytes > sink.limit) return 0;  // libcurl ends the transfer with a write error
  sink.body->append(data, bytes);
  return bytes;
}

int checkCancel(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const auto* cancel = static_cast<const std::atomic<bool>*>(user);
  return cancel && cancel->load() ? 1 : 0;
}

void initialiseCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

HttpsResponse httpsGet(const std::string& url, const HttpsGetOptions& options) {
  HttpsResponse out;
  initialiseCurlOnce();
  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
  if (!curl) {
    out.error = "the HTTP client could not start";
    return out;
  }
  char errorText[CURL_ERROR_SIZE] = {};
  Sink sink{&out.body, options.maxBodyBytes};
  CURL* c = curl.get();
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "https");
  curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "https");
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(c, CURLOPT_MAXREDIRS, 5L);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, options.connectTimeoutMs);
  curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, options.totalTimeoutMs);
  // Signals cannot time out name look-ups on a thread; libcurl then uses its own resolver thread.
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!options.caFile.empty()) curl_easy_setopt(c, CURLOPT_CAINFO, options.caFile.c_str());
  if (!options.userAgent.empty()) curl_easy_setopt(c, CURLOPT_USERAGENT, options.userAgent.c_str());
  curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "");
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, appendBody);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink);
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorText);
  if (options.cancel) {
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, checkCancel);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, options.cancel);
  }
  const CURLcode code = curl_easy_perform(c);
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &out.status);
  if (code == CURLE_OK) {
    out.transportOk = true;
  } else if (code == CURLE_WRITE_ERROR) {  // only the body limit above refuses data
    out.error = "the answer is longer than a release manifest can be";
  } else {
    out.error = errorText[0] ? errorText : curl_easy_strerror(code);
  }
  return out;
}

}  // namespace vn
