#include "support/https_test_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace vn::test {
namespace {

const char* const kServerScript = R"PY(
import http.server, os, ssl, sys
folder, cert, key = sys.argv[1:4]

class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        name = self.path.split('?')[0].lstrip('/')
        if name.startswith('status/'):
            code, body = int(name[7:]), b'a status page'
        else:
            path = os.path.join(folder, 'served', os.path.basename(name))
            if os.path.isfile(path):
                with open(path, 'rb') as f:
                    code, body = 200, f.read()
            else:
                code, body = 404, b'not found'
        self.send_response(code)
        self.send_header('Content-Type', 'application/json')
        self.send_header('Content-Length', str(len(body)))
        self.end_headers()
        self.wfile.write(body)
        with open(os.path.join(folder, 'requests.log'), 'a') as f:
            f.write(self.path + '\n')

    def log_message(self, *args):
        pass

server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Handler)
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(cert, key)
server.socket = context.wrap_socket(server.socket, server_side=True)
print(server.server_address[1], flush=True)
server.serve_forever()
)PY";

}  // namespace

bool makeLocalCertificate(const std::string& folder, const std::string& name) {
  const std::string base = folder + "/" + name;
  const std::string command = "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2"
                              " -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout '" + base +
                              ".key' -out '" + base + ".pem' >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

HttpsTestServer::HttpsTestServer() {
  if (!makeLocalCertificate(dir_.path(), "server")) {
    error_ = "the openssl command could not make a certificate";
    return;
  }
  ::mkdir(dir_.file("served").c_str(), 0700);
  writeAll(dir_.file("server.py"), kServerScript);
  int out[2];
  if (::pipe(out) != 0) {
    error_ = "no pipe";
    return;
  }
  // Everything the child needs is made before the fork: it may not allocate.
  const std::string script = dir_.file("server.py"), cert = dir_.file("server.pem"), key = dir_.file("server.key");
  pid_ = ::fork();
  if (pid_ == 0) {
    ::dup2(out[1], 1);
    ::close(out[0]);
    ::close(out[1]);
    ::execlp("python3", "python3", script.c_str(), dir_.path().c_str(), cert.c_str(), key.c_str(), nullptr);
    ::_exit(127);
  }
  ::close(out[1]);
  std::string line;
  pollfd p{out[0], POLLIN, 0};
  char c = 0;
  while (::poll(&p, 1, 20000) > 0 && ::read(out[0], &c, 1) == 1 && c != '\n') line += c;
  ::close(out[0]);
  port_ = std::atoi(line.c_str());
  if (port_ <= 0) error_ = "the python3 HTTPS server did not start";
}

HttpsTestServer::~HttpsTestServer() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  ::waitpid(pid_, nullptr, 0);
}

std::string HttpsTestServer::url(const std::string& path) const {
  return "https://127.0.0.1:" + std::to_string(port_) + "/" + path;
}

void HttpsTestServer::serve(const std::string& name, const std::string& body) const {
  writeAll(dir_.file("served/" + name), body);
}

int HttpsTestServer::requests() const {
  std::ifstream in(dir_.file("requests.log"));
  int lines = 0;
  for (std::string line; std::getline(in, line);) ++lines;
  return lines;
}

SilentListener::SilentListener() {
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd_, 16) != 0 ||
      ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    return;
  port_ = ntohs(address.sin_port);
}

SilentListener::~SilentListener() {
  if (fd_ >= 0) ::close(fd_);
}

std::string SilentListener::url() const { return "https://127.0.0.1:" + std::to_string(port_) + "/manifest.json"; }

bool SilentListener::connectionWaiting(int waitMs) const {
  pollfd p{fd_, POLLIN, 0};
  return ::poll(&p, 1, waitMs) > 0 && (p.revents & POLLIN);
}

}  // namespace vn::test
