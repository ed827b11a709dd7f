#include "http/url.h"

#include <curl/curl.h>

#include <charconv>
#include <memory>

namespace zem {
namespace {

struct UrlHandleDeleter {
    void operator()(CURLU* handle) const { curl_url_cleanup(handle); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlHandleDeleter>;

// One part of a parsed address; empty when the address has none.
std::optional<std::string> GetPart(CURLU* handle, CURLUPart part, unsigned flags = 0)
{
    char* text = nullptr;
    if (curl_url_get(handle, part, &text, flags) != CURLUE_OK)
        return std::nullopt;
    std::string value(text);
    curl_free(text);
    return value;
}

}  // namespace

std::optional<Url> ParseUrl(std::string_view text)
{
    // The parser takes a C string: an embedded zero would silently cut the address.
    if (text.find('\0') != std::string_view::npos)
        return std::nullopt;
    // The parser reads "http:/x" and "http:///x" as host "x"; an address names its host after "//".
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos || text.substr(colon + 1, 2) != "//" ||
        text.size() == colon + 3 || text[colon + 3] == '/')
        return std::nullopt;
    UrlHandle handle(curl_url());
    if (!handle)
        return std::nullopt;
    const std::string copy(text);
    if (curl_url_set(handle.get(), CURLUPART_URL, copy.c_str(), 0) != CURLUE_OK)
        return std::nullopt;

    Url url;
    const auto scheme = GetPart(handle.get(), CURLUPART_SCHEME);  // comes back lower-cased
    if (scheme == "http")
        url.scheme = UrlScheme::Http;
    else if (scheme == "https")
        url.scheme = UrlScheme::Https;
    else
        return std::nullopt;

    auto host = GetPart(handle.get(), CURLUPART_HOST);
    if (!host || host->empty())
        return std::nullopt;
    url.host = std::move(*host);

    const auto port = GetPart(handle.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
    if (!port)
        return std::nullopt;
    unsigned value = 0;
    const auto [end, error] = std::from_chars(port->data(), port->data() + port->size(), value);
    if (error != std::errc() || end != port->data() + port->size() || value == 0 || value > 65535)
        return std::nullopt;
    url.port = static_cast<uint16_t>(value);

    url.path = GetPart(handle.get(), CURLUPART_PATH).value_or("/");
    if (url.path.empty())
        url.path = "/";
    if (const auto query = GetPart(handle.get(), CURLUPART_QUERY))
        url.path += "?" + *query;
    return url;
}

std::string ToString(const Url& url)
{
    return std::string(url.scheme == UrlScheme::Https ? "https://" : "http://") + url.host + ":" +
        std::to_string(url.port) + url.path;
}

}  // namespace zem
