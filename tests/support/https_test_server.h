#pragma once
// Local servers for tests of network clients, on 127.0.0.1 only.
#include <string>
#include <sys/types.h>

#include "support/temp_dir.h"

namespace vn::test {

// Makes a self-signed certificate for 127.0.0.1 with the openssl command: name.pem and
// name.key in folder. False when openssl failed.
bool makeLocalCertificate(const std::string& folder, const std::string& name);

// An HTTPS server (python3's http.server behind TLS) with a certificate made at start.
// A file written with serve() answers GET /name with status 200; "/status/NNN" answers
// with status NNN; anything else is a 404.
class HttpsTestServer {
 public:
  HttpsTestServer();
  ~HttpsTestServer();
  HttpsTestServer(const HttpsTestServer&) = delete;
  HttpsTestServer& operator=(const HttpsTestServer&) = delete;

  // Empty when the server runs; else why it does not.
  const std::string& error() const { return error_; }
  std::string url(const std::string& path) const;
  // The certificate a client must trust to reach this server.
  std::string caFile() const { return dir_.file("server.pem"); }
  void serve(const std::string& name, const std::string& body) const;
  // Requests answered so far.
  int requests() const;
  const TempDir& dir() const { return dir_; }

 private:
  TempDir dir_;
  pid_t pid_ = -1;
  int port_ = 0;
  std::string error_;
};

// A socket that listens on 127.0.0.1 and never accepts: the kernel completes each
// connection, after which the client waits for an answer that never comes.
class SilentListener {
 public:
  SilentListener();
  ~SilentListener();
  SilentListener(const SilentListener&) = delete;
  SilentListener& operator=(const SilentListener&) = delete;

  int port() const { return port_; }
  std::string url() const;
  // True when a connection is waiting, within waitMs milliseconds.
  bool connectionWaiting(int waitMs) const;

 private:
  int fd_ = -1;
  int port_ = 0;
};

}  // namespace vn::test
