#include "desktop/session/Ipv4Lookup.h"

#include <arpa/inet.h>
#include <netdb.h>

#include <algorithm>

namespace mirrodex {

std::vector<in_addr_t> LookUpIpv4(const std::string& host) {
  in_addr dotted{};
  if (inet_pton(AF_INET, host.c_str(), &dotted) == 1) return {dotted.s_addr};
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (host.empty() || getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0) return {};
  std::vector<in_addr_t> addresses;
  for (const addrinfo* at = found; at != nullptr; at = at->ai_next) {
    if (at->ai_family != AF_INET) continue;
    const in_addr_t address = reinterpret_cast<const sockaddr_in*>(at->ai_addr)->sin_addr.s_addr;
    if (std::find(addresses.begin(), addresses.end(), address) == addresses.end()) addresses.push_back(address);
  }
  freeaddrinfo(found);
  return addresses;
}

}  // namespace mirrodex
