#pragma once
// A tiny HTTP/1.0 server for tests on 127.0.0.1 with an ephemeral port. It serves a map of
// path -> body (404 for anything else) and can cut chosen answers half-way: the header
// announces the whole body, half of it is sent, then the connection closes.

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace ql::test {

class LoopbackHttpServer {
 public:
  LoopbackHttpServer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener_, 16);
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  ~LoopbackHttpServer() {
    ::shutdown(listener_, SHUT_RDWR);
    thread_.join();
    ::close(listener_);
  }

  std::string baseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }
  void serve(const std::string& path, const std::string& body) {
    std::lock_guard lock(mutex_);
    bodies_[path] = body;
  }
  void cutHalfway(const std::string& path) {
    std::lock_guard lock(mutex_);
    cut_.insert(path);
  }
  // The paths asked for, in order.
  std::vector<std::string> requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }

 private:
  void serve() {
    for (;;) {
      const int client = ::accept(listener_, nullptr, nullptr);
      if (client < 0) return;
      answer(client);
      ::close(client);
    }
  }

  void answer(int client) {
    std::string request;
    char buffer[1024];
    while (request.find("\r\n\r\n") == std::string::npos) {
      const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
      if (n <= 0) return;
      request.append(buffer, static_cast<std::size_t>(n));
    }
    const std::size_t start = request.find(' ') + 1;
    const std::string path = request.substr(start, request.find(' ', start) - start);
    std::string reply;
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(path);
      auto found = bodies_.find(path);
      if (found == bodies_.end()) {
        reply = "HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n";
      } else {
        const std::string& body = found->second;
        reply = "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n";
        reply += cut_.count(path) ? body.substr(0, body.size() / 2) : body;
      }
    }
    sendAll(client, reply);
  }

  static void sendAll(int client, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
      const ssize_t n = ::send(client, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) return;
      sent += static_cast<std::size_t>(n);
    }
  }

  int listener_ = -1;
  int port_ = 0;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::map<std::string, std::string> bodies_;
  std::set<std::string> cut_;
  std::vector<std::string> requests_;
};

}  // namespace ql::test
