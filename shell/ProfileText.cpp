#include "shell/ProfileText.h"

#include <vector>

#include "net/TextHelpers.h"

namespace vexmora {
namespace {

// White space as the profile functions trim it (ASCII only: a trailing byte of a GBK
// character is 0x40 or more, so it never counts).
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && ToLowerAscii(a) == ToLowerAscii(b);
}

// The last "]" of the text, stepping over double-byte characters (whose second byte may be
// 0x5D); npos when there is none.
std::size_t LastClosingBracket(std::string_view text) {
    std::size_t found = std::string_view::npos;
    for (std::size_t i = 0; i < text.size(); i += IsLeadByte(text[i]) ? 2 : 1) {
        if (text[i] == ']') {
            found = i;
        }
    }
    return found;
}

struct Line {
    std::size_t begin = 0;       // offset of the line in the content
    std::size_t length = 0;      // without its line break
    std::size_t breakLength = 0; // 1 for LF; 0 for a last line without one
    bool isHeader = false;
    std::string_view section; // for headers
    std::string_view name;    // for entries
    std::optional<std::string_view> value;
    bool blank = false;
};

std::vector<Line> SplitLines(std::string_view content) {
    std::vector<Line> lines;
    std::size_t begin = 0;
    while (begin < content.size()) {
        std::size_t end = content.find('\n', begin);
        Line line;
        line.begin = begin;
        line.length = (end == std::string_view::npos ? content.size() : end) - begin;
        line.breakLength = end == std::string_view::npos ? 0 : 1;
        std::string_view body = Trim(content.substr(begin, line.length));
        line.blank = body.empty();
        std::size_t close =
            body.empty() || body.front() != '[' ? std::string_view::npos : LastClosingBracket(body);
        if (close != std::string_view::npos) {
            line.isHeader = true;
            line.section = body.substr(1, close - 1);
        } else {
            std::size_t equals = body.find('=');
            line.name = Trim(body.substr(0, equals));
            if (equals != std::string_view::npos) {
                line.value = Trim(body.substr(equals + 1));
            }
        }
        lines.push_back(line);
        begin += line.length + line.breakLength;
    }
    return lines;
}

struct Found {
    std::optional<std::size_t> header; // line of the section's header
    std::size_t sectionEnd = 0;        // one past the section's last line
    std::optional<std::size_t> key;    // line of the key
};

Found Find(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
    Found found;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!found.header) {
            if (lines[i].isHeader && SameName(lines[i].section, section)) {
                found.header = i;
                found.sectionEnd = lines.size();
            }
            continue;
        }
        if (lines[i].isHeader) {
            found.sectionEnd = i;
            break;
        }
        if (!found.key && !lines[i].blank && SameName(lines[i].name, key)) {
            found.key = i;
        }
    }
    return found;
}

std::string_view LineBreakOf(std::string_view content) {
    std::size_t lf = content.find('\n');
    if (lf != std::string_view::npos && (lf == 0 || content[lf - 1] != '\r')) {
        return "\n";
    }
    return "\r\n";
}

} // namespace

std::optional<Text> ReadProfileString(std::string_view content, std::string_view section,
                                      std::string_view key) {
    std::vector<Line> lines = SplitLines(content);
    Found found = Find(lines, section, key);
    if (!found.key || !lines[*found.key].value) {
        return std::nullopt;
    }
    std::string_view value = *lines[*found.key].value;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return Text(value.substr(0, value.find('\0')));
}

Text WriteProfileString(std::string_view content, std::string_view section, std::string_view key,
                        std::string_view value) {
    value = value.substr(0, value.find_first_of(std::string_view("\r\n\0", 3)));
    std::string_view lineBreak = LineBreakOf(content);
    std::vector<Line> lines = SplitLines(content);
    Found found = Find(lines, section, key);

    Text result;
    result.reserve(content.size() + key.size() + value.size() + section.size() + 8);
    if (found.key) {
        const Line& line = lines[*found.key];
        result.append(content.substr(0, line.begin));
        result.append(line.name).append("=").append(value);
        // The line keeps its own ending (CR LF, LF or none at the end of the file).
        std::string_view rest = content.substr(line.begin, line.length);
        if (!rest.empty() && rest.back() == '\r') {
            result.push_back('\r');
        }
        result.append(content.substr(line.begin + line.length));
        return result;
    }

    Text newLine = Text(key) + "=" + Text(value) + Text(lineBreak);
    if (found.header) {
        std::size_t after = *found.header;
        for (std::size_t i = *found.header + 1; i < found.sectionEnd; ++i) {
            if (!lines[i].blank) {
                after = i;
            }
        }
        const Line& line = lines[after];
        std::size_t insertAt = line.begin + line.length + line.breakLength;
        result.append(content.substr(0, insertAt));
        if (line.breakLength == 0) {
            result.append(lineBreak);
        }
        result.append(newLine);
        result.append(content.substr(insertAt));
        return result;
    }

    result.append(content);
    if (!content.empty() && content.back() != '\n') {
        result.append(lineBreak);
    }
    result.append("[").append(section).append("]").append(lineBreak);
    result.append(newLine);
    return result;
}

} // namespace vexmora
