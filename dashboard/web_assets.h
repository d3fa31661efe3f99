#pragma once
// The page and its chart library, built into the executable: nothing is read
// from the file system or fetched from elsewhere when the page is served.

#include <optional>
#include <string_view>

namespace zarudiv {

struct WebAsset {
    std::string_view contentType;
    std::string_view bytes;
    bool immutable = false;  // the chart library: cached by the browser
};

// The asset served at an exact path ("/", "/app.js", ...), if any.
std::optional<WebAsset> FindWebAsset(std::string_view path);

}  // namespace zarudiv
