#include "platform/CodePage.h"

#include <cerrno>
#include <iconv.h>

namespace vexmora::platform {
namespace {

// Owns one iconv conversion descriptor.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (valid()) {
            iconv_close(cd_);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts the whole input; each sequence that cannot be converted is skipped and
    // `replacement` written in its place. `badLength` tells how many input bytes to skip.
    template <typename BadLength>
    std::string convert(std::string_view input, std::string_view replacement, BadLength badLength) {
        std::string out;
        if (!valid()) {
            return out;
        }
        out.reserve(input.size() * 2 + 8);
        char* in = const_cast<char*>(input.data());
        size_t inLeft = input.size();
        char buffer[4096];
        while (inLeft > 0) {
            char* outPtr = buffer;
            size_t outLeft = sizeof buffer;
            size_t rc = iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<size_t>(outPtr - buffer));
            if (rc != static_cast<size_t>(-1)) {
                continue;
            }
            if (errno == E2BIG) {
                continue;
            }
            // EILSEQ or EINVAL (a sequence cut at the end): skip it and mark the spot.
            size_t skip = badLength(std::string_view(in, inLeft));
            in += skip;
            inLeft -= skip;
            out.append(replacement);
        }
        return out;
    }

private:
    iconv_t cd_;
};

// Length of the malformed or unmappable UTF-8 sequence at the start of `s` (at least 1).
size_t Utf8SequenceLength(std::string_view s) {
    auto lead = static_cast<unsigned char>(s[0]);
    size_t want = lead < 0x80           ? 1
                  : (lead >> 5) == 0x6  ? 2
                  : (lead >> 4) == 0xE  ? 3
                  : (lead >> 3) == 0x1E ? 4
                                        : 1;
    size_t n = 1;
    while (n < want && n < s.size() && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) {
        ++n;
    }
    return n;
}

// Length of the bad GBK sequence at the start of `s`: a lead byte takes its trail with it
// when the trail is a valid second byte.
size_t GbkSequenceLength(std::string_view s) {
    auto lead = static_cast<unsigned char>(s[0]);
    if (lead >= 0x81 && lead <= 0xFE && s.size() >= 2) {
        auto trail = static_cast<unsigned char>(s[1]);
        if (trail >= 0x40 && trail <= 0xFE && trail != 0x7F) {
            return 2;
        }
    }
    return 1;
}

} // namespace

std::string Utf8ToGbkBytes(std::string_view utf8) {
    utf8 = utf8.substr(0, utf8.find('\0'));
    if (utf8.empty()) {
        return {};
    }
    Converter converter("CP936", "UTF-8");
    return converter.convert(utf8, "?", Utf8SequenceLength);
}

std::string GbkToUtf8(std::string_view gbk) {
    if (gbk.empty()) {
        return {};
    }
    Converter converter("UTF-8", "CP936");
    return converter.convert(gbk, "\xEF\xBF\xBD", GbkSequenceLength);
}

} // namespace vexmora::platform
