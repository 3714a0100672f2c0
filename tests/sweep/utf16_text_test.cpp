// UTF-8 to the UTF-16 code units a MAT-file's char array holds: characters
// of one to four bytes, and each kind of ill-formed sequence replaced.
#include <gtest/gtest.h>

#include <string>

#include "matfile/utf16_text.h"

namespace {

TEST(Utf16Text, ConvertsCharactersAndReplacesIllFormedBytes) {
    struct Case {
        const char* what;
        std::string utf8;
        std::u16string units;
    };
    const Case cases[] = {
        {"empty", "", u""},
        {"ASCII, NUL kept", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
        {"two bytes", "B\xC3\xBCro", u"B\u00FCro"},
        {"three bytes", "\xE2\x82\xAC", u"\u20AC"},
        {"last before surrogates, first after", "\xED\x9F\xBF\xEE\x80\x80", u"\uD7FF\uE000"},
        {"last of the plane", "\xEF\xBF\xBF", u"\uFFFF"},
        {"four bytes, a pair", "\xF0\x9D\x84\x9E", {0xD834, 0xDD1E}},
        {"first and last past the plane", "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", {0xD800, 0xDC00, 0xDBFF, 0xDFFF}},
        {"stray continuation", "a\x80" "b", u"a\uFFFDb"},
        {"lead bytes that begin nothing", "\xC0\xC1\xF5\xFF", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"overlong two bytes", "\xC0\xAF", u"\uFFFD\uFFFD"},
        {"overlong three bytes", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
        {"overlong four bytes", "\xF0\x8F\xBF\xBF", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"past U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"cut short inside", "\xE2\x82" "A\xF0\x9D\x84" "B", u"\uFFFDA\uFFFDB"},
        {"cut short at the end", "x\xF0\x9D\x84", u"x\uFFFD"},
        {"lead byte before a lead byte", "\xC3\xC3\xBC", u"\uFFFD\u00FC"},
    };
    for (const Case& c : cases) EXPECT_EQ(sweep::utf16_from_utf8(c.utf8), c.units) << c.what;
}

}  // namespace
