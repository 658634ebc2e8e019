#include "agent/session/Ipv4Resolver.h"

#include <arpa/inet.h>
#include <netdb.h>

namespace mirrodex {

std::vector<in_addr> ResolveIPv4(const std::string& host, std::string& error) {
  std::vector<in_addr> out;
  in_addr dotted{};
  if (::inet_pton(AF_INET, host.c_str(), &dotted) == 1) {
    out.push_back(dotted);
    return out;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int rc = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
  if (rc != 0 || found == nullptr) {
    error = ::gai_strerror(rc);
    return out;
  }
  for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
    if (a->ai_family != AF_INET) continue;
    const in_addr address = reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr;
    bool seen = false;
    for (const in_addr& known : out) seen |= known.s_addr == address.s_addr;
    if (!seen) out.push_back(address);
  }
  ::freeaddrinfo(found);
  if (out.empty()) error = "no IPv4 address";
  return out;
}

}  // namespace mirrodex
