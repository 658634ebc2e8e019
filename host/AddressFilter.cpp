#include "host/AddressFilter.h"

#include <arpa/inet.h>
#include <netdb.h>

#include <cstdlib>

namespace mirrodex {

bool ResolveIPv4(const std::string& host, in_addr& out, std::string& error) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* result = nullptr;
  const int rc = getaddrinfo(host.c_str(), nullptr, &hints, &result);
  if (rc != 0 || result == nullptr) {
    error = "bad address \"" + host + "\": " + gai_strerror(rc);
    return false;
  }
  out = reinterpret_cast<const sockaddr_in*>(result->ai_addr)->sin_addr;
  freeaddrinfo(result);
  return true;
}

bool AddressFilter::Add(const std::string& text, std::string& error) {
  const size_t slash = text.find('/');
  const std::string host = text.substr(0, slash);
  uint32_t bits = 32;
  if (slash != std::string::npos) {
    const std::string prefix = text.substr(slash + 1);
    char* end = nullptr;
    const long value = std::strtol(prefix.c_str(), &end, 10);
    in_addr dotted{};
    if (prefix.empty() || *end != '\0' || value < 0 || value > 32 ||
        inet_pton(AF_INET, host.c_str(), &dotted) != 1) {
      error = "bad network \"" + text + "\": expected A.B.C.D/BITS with BITS from 0 to 32";
      return false;
    }
    bits = static_cast<uint32_t>(value);
  }
  in_addr address{};
  if (!ResolveIPv4(host, address, error)) return false;
  const uint32_t mask = bits == 0 ? 0 : ~uint32_t{0} << (32 - bits);
  networks_.push_back({ntohl(address.s_addr) & mask, mask});
  return true;
}

bool AddressFilter::Allows(const in_addr& address) const {
  const uint32_t host = ntohl(address.s_addr);
  for (const Network& network : networks_) {
    if ((host & network.mask) == network.address) return true;
  }
  return false;
}

}  // namespace mirrodex
