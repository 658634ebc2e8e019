// Turns the desktop's name into the IPv4 addresses to try, in the order the resolver gives
// them. The desktop listens on IPv4 only, so no other family is asked for.
// Any thread.
#pragma once

#include <netinet/in.h>

#include <functional>
#include <string>
#include <vector>

namespace mirrodex {

// A dotted address gives itself; a name gives each of its IPv4 addresses (none when it does
// not resolve, with `error` saying why).
std::vector<in_addr> ResolveIPv4(const std::string& host, std::string& error);

using Ipv4Resolver = std::function<std::vector<in_addr>(const std::string& host, std::string& error)>;

}  // namespace mirrodex
