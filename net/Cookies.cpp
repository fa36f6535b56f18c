#include "net/Cookies.h"

#include <algorithm>
#include <vector>

#include "net/TextHelpers.h"

namespace vexmora {
namespace {

constexpr std::string_view kSetCookie = "Set-Cookie:";
constexpr std::string_view kDeleted = "=deleted";

Text Join(const std::vector<Text>& pieces, std::string_view separator) {
    Text result;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0) {
            result += separator;
        }
        result += pieces[i];
    }
    return result;
}

// The single characters of a text: a byte of 0x81 or more takes the next byte with it, and a
// CR LF pair is one piece.
std::vector<Text> Characters(std::string_view text) {
    std::vector<Text> pieces;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t n = 1;
        if (i + 1 < text.size() &&
            (static_cast<unsigned char>(text[i]) >= 0x81 || text.substr(i, 2) == "\r\n")) {
            n = 2;
        }
        pieces.emplace_back(text.substr(i, n));
        i += n;
    }
    return pieces;
}

} // namespace

Text CollectSetCookies(std::string_view rawHeaders) {
    std::vector<Text> cookies;
    for (const Text& piece : SplitText(rawHeaders, "\r\n")) {
        if (TextBefore(piece, ": ") != "Set-Cookie") {
            continue;
        }
        // The name=value part ends at the first attribute.
        Text cookie = FindText(piece, ";") != -1
                          ? TrimSpaces(TextBetween(piece, kSetCookie, ";"))
                          : TrimSpaces(std::string_view(piece).substr(kSetCookie.size()));
        // "Set-Cookie: ; path=/" sets nothing: an empty piece would only confuse a merge.
        if (!cookie.empty()) {
            cookies.push_back(std::move(cookie));
        }
    }
    return Join(cookies, "; ");
}

Text MergeCookies(Text& oldCookies, Text& newCookies) {
    oldCookies = RemoveSpaces(oldCookies);
    newCookies = RemoveSpaces(newCookies);
    std::vector<Text> working;
    for (Text& piece : SplitText(newCookies, ";")) {
        if (!piece.empty()) {
            working.push_back(std::move(piece));
        }
    }
    for (Text& piece : SplitText(oldCookies, ";")) {
        if (piece.empty()) {
            continue;
        }
        const Text name = CookieName(piece);
        const bool setAgain = std::any_of(working.begin(), working.end(), [&](const Text& kept) {
            return CookieName(kept) == name;
        });
        if (!setAgain) {
            working.push_back(std::move(piece));
        }
    }
    std::erase_if(working, [](const Text& piece) { return piece.ends_with(kDeleted); });
    oldCookies = RemoveDuplicates(Join(working, "; "), "; ");
    return oldCookies;
}

Text CookieName(std::string_view piece) {
    const int equals = FindText(piece, "=");
    return TrimSpaces(equals == -1 ? piece : piece.substr(0, static_cast<std::size_t>(equals) - 1));
}

Text RemoveDuplicates(std::string_view text, std::string_view separator) {
    const std::vector<Text> pieces =
        separator.empty() ? Characters(text) : SplitText(text, separator);
    std::vector<Text> kept;
    for (const Text& piece : pieces) {
        if (std::find(kept.begin(), kept.end(), piece) == kept.end()) {
            kept.push_back(piece);
        }
    }
    return Join(kept, separator);
}

} // namespace vexmora
