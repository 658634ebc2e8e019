#include "host/WakeListener.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace mirrodex {
namespace {

// How long an accepted peer has to send its byte.
constexpr int kWakeByteTimeoutMs = 2000;

}  // namespace

WakeListener::~WakeListener() {
  if (fd_ >= 0) ::close(fd_);
}

bool WakeListener::Listen(uint16_t port, std::string& error) {
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) {
    error = std::string("cannot create a socket: ") + std::strerror(errno);
    return false;
  }
  const int on = 1;
  ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  address.sin_port = htons(port);
  if (::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fd_, 8) != 0) {
    const int code = errno;
    error = code == EADDRINUSE
                ? "port " + std::to_string(port) +
                      " is in use: another mirrodex-host (or another program) is listening on it; stop it first"
                : "cannot listen on port " + std::to_string(port) + ": " + std::strerror(code);
    ::close(fd_);
    fd_ = -1;
    return false;
  }
  return true;
}

std::optional<std::string> WakeListener::AcceptWakeUp(std::string& note) {
  note.clear();
  sockaddr_in peer{};
  socklen_t size = sizeof peer;
  const int client = ::accept4(fd_, reinterpret_cast<sockaddr*>(&peer), &size, SOCK_CLOEXEC);
  if (client < 0) return std::nullopt;
  char dotted[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &peer.sin_addr, dotted, sizeof dotted);
  std::optional<std::string> result;
  if (!filter_.Allows(peer.sin_addr)) {
    note = std::string("wake-up from ") + dotted + " ignored: address not allowed";
  } else {
    pollfd p{client, POLLIN, 0};
    char byte = 0;
    if (::poll(&p, 1, kWakeByteTimeoutMs) == 1 && ::recv(client, &byte, 1, 0) == 1 && byte == 'a') {
      result = dotted;
    } else {
      note = std::string("connection from ") + dotted + " sent no wake-up byte; ignored";
    }
  }
  ::close(client);
  return result;
}

}  // namespace mirrodex
