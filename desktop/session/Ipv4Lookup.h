// Host names and dotted addresses to IPv4 addresses (network byte order). Blocks while the
// resolver works; any thread.
#pragma once

#include <netinet/in.h>

#include <string>
#include <vector>

namespace mirrodex {

// Every IPv4 address of `host`, duplicates removed; empty when it has none.
std::vector<in_addr_t> LookUpIpv4(const std::string& host);

}  // namespace mirrodex
