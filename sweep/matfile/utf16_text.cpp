#include "matfile/utf16_text.h"

#include <cstdint>

namespace sweep {

namespace {
constexpr char16_t kReplacement = 0xFFFD;

// The length of the sequence a lead byte begins (0 for a byte that begins
// none) and the range its second byte must lie in, which excludes overlong
// forms, surrogates and values past U+10FFFF.
size_t sequence_length(unsigned char lead, unsigned char& low, unsigned char& high) {
    low = 0x80;
    high = 0xBF;
    if (lead < 0x80) return 1;
    if (lead < 0xC2) return 0;
    if (lead < 0xE0) return 2;
    if (lead < 0xF0) {
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
        return 3;
    }
    if (lead < 0xF5) {
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
        return 4;
    }
    return 0;
}

void append_code_point(uint32_t c, std::u16string& out) {
    if (c < 0x10000) {
        out.push_back(static_cast<char16_t>(c));
        return;
    }
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
}
}  // namespace

std::u16string utf16_from_utf8(const std::string& utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
    const size_t size = utf8.size();
    for (size_t i = 0; i < size;) {
        unsigned char low = 0;
        unsigned char high = 0;
        const size_t length = sequence_length(bytes[i], low, high);
        if (length == 0) {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        // The lead byte's payload bits, then six from each continuation.
        uint32_t c = length == 1 ? bytes[i] : bytes[i] & (0x7F >> length);
        size_t taken = 1;
        for (; taken < length && i + taken < size; ++taken) {
            const unsigned char b = bytes[i + taken];
            if (b < low || b > high) break;
            c = c << 6 | (b & 0x3F);
            low = 0x80;
            high = 0xBF;
        }
        if (taken == length) append_code_point(c, out);
        else out.push_back(kReplacement);  // the bytes taken so far; the next one starts afresh
        i += taken;
    }
    return out;
}

}  // namespace sweep
