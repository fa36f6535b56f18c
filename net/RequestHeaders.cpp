#include "net/RequestHeaders.h"

#include <vector>

#include "net/TextHelpers.h"

namespace vexmora {
namespace {

constexpr std::string_view kLineBreak = "\r\n";

bool Contains(std::string_view headers, std::string_view name) {
    return FindText(headers, name, 1, true) != -1;
}

// Everything up to the first CR or LF: a value that goes into a header line of its own.
std::string_view SingleLine(std::string_view value) {
    return value.substr(0, value.find_first_of("\r\n"));
}

} // namespace

Text AgentFromHeaders(std::string_view headers) {
    // Look at whole lines only: a User-Agent written in another letter case, or after other
    // lines, must give its own value and never a piece of the block with line breaks in it.
    for (const Text& line : SplitText(headers, kLineBreak)) {
        const int colon = FindText(line, ":");
        if (colon == -1) {
            continue;
        }
        if (ToLowerAscii(TrimSpaces(TextLeft(line, colon - 1))) == "user-agent") {
            return TrimSpaces(SingleLine(TextAfterColon(line)));
        }
    }
    return Text(DefaultAgentText);
}

Text TextAfterColon(std::string_view text) {
    const int colon = FindText(text, ":");
    if (colon == -1) {
        return {};
    }
    return TrimSpaces(text.substr(static_cast<std::size_t>(colon)));
}

Text CompleteRequestHeaders(std::string_view headers, std::string_view url, int method) {
    Text block = headers.empty() ? Text("Accept: */*") : Text(headers);
    if (!Contains(block, "Accept:")) {
        block += "\r\nAccept: */*";
    }
    if (!Contains(block, "Referer:")) {
        // A line break in the URL would start a header line of its own.
        block += "\r\nReferer: ";
        block += ReplaceText(ReplaceText(url, "\r"), "\n");
    }
    if (!Contains(block, "Accept-Language:")) {
        block += "\r\nAccept-Language: zh-cn";
    }
    if (method == 1 && !Contains(block, "Content-Type:")) {
        block += "\r\nContent-Type: application/x-www-form-urlencoded";
    }
    return block;
}

Text NormalizeHeaderNames(std::string_view headers) {
    Text result;
    bool first = true;
    for (const Text& line : SplitText(headers, kLineBreak)) {
        const int colon = FindText(line, ":");
        if (colon == -1) {
            continue;
        }
        const auto nameLength = static_cast<std::size_t>(colon) - 1;
        Text name;
        bool partStart = true;
        for (std::size_t i = 0; i < nameLength;) {
            const std::size_t n = IsLeadByte(line[i]) && i + 1 < nameLength ? 2 : 1;
            const std::string_view c = std::string_view(line).substr(i, n);
            name += partStart ? CapitalizeFirst(c) : Text(c);
            partStart = c == "-";
            i += n;
        }
        if (!first) {
            result += kLineBreak;
        }
        first = false;
        result += name;
        result += line.substr(nameLength);
    }
    return result;
}

Text CapitalizeFirst(std::string_view text) {
    if (text.empty() || IsLeadByte(text[0])) {
        return Text(text);
    }
    return ToUpperAscii(text.substr(0, 1)) + Text(text.substr(1));
}

} // namespace vexmora
