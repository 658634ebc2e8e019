// Which IPv4 addresses may wake the device: a list of networks (address and prefix bits).
// Built once at start; read-only afterwards.
#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <string>
#include <vector>

namespace mirrodex {

class AddressFilter {
 public:
  // Adds "A.B.C.D" (one address) or "A.B.C.D/BITS"; a host name adds each of its IPv4
  // addresses. False with `error` when the text is neither.
  [[nodiscard]] bool Add(const std::string& text, std::string& error);
  bool Allows(const in_addr& address) const;
  bool Empty() const { return networks_.empty(); }

 private:
  struct Network {
    uint32_t address;  // host byte order
    uint32_t mask;
  };
  std::vector<Network> networks_;
};

// Resolves a host name or dotted address to its first IPv4 address; false with `error`.
[[nodiscard]] bool ResolveIPv4(const std::string& host, in_addr& out, std::string& error);

}  // namespace mirrodex
