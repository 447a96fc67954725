#pragma once
// Computer name and host addresses.
#include <string>
#include <vector>

// COMPUTERNAME when set and not empty (so several workstations can run on one
// host), else the host name; cut at 1024 characters. Empty when both fail.
std::string PlatformComputerName();

// The host's own name (ignores COMPUTERNAME); empty when unknown.
std::string PlatformHostName();

// Dotted IPv4 addresses of `name`, each once, in resolver order; empty when
// the name cannot be resolved.
std::vector<std::string> ResolveIPv4(const std::string& name);
