// Addresses of recordings: absolute "http://" and "https://" URLs split into what a request
// needs. Nothing else is accepted.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zem {

enum class UrlScheme { Http, Https };

struct Url {
    UrlScheme scheme = UrlScheme::Http;
    std::string host;   // as written; an IPv6 literal keeps its brackets
    uint16_t port = 0;  // the address's own port, else 80 (http) or 443 (https)
    std::string path;   // path and query, never empty ("/" at least); the fragment is dropped

    bool operator==(const Url&) const = default;
};

// Splits an absolute address. The scheme is matched without regard to case. Empty for any
// other scheme, a missing host, a bad port or text that is no URL. User name and password in
// the address are not kept (nothing here sends them).
std::optional<Url> ParseUrl(std::string_view text);

// The address a request is sent to: scheme, host, port and path, the port always written.
std::string ToString(const Url& url);

}  // namespace zem
