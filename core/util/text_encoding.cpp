#include "core/util/text_encoding.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace tessivo {

namespace {

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Windows-1252 bytes 0x80..0x9F; the five bytes it leaves undefined keep
// their own value as a code point.
constexpr std::array<uint16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::string FromWindows1252(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char b : bytes) {
        if (b >= 0x80 && b <= 0x9F)
            AppendUtf8(out, kCp1252High[b - 0x80]);
        else
            AppendUtf8(out, b);
    }
    return out;
}

std::string FromUtf16(const std::string& bytes, bool bigEndian) {
    auto unit = [&](size_t i) -> uint32_t {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (a << 8 | b) : (b << 8 | a);
    };
    std::string out;
    size_t i = 2; // past the byte order mark
    for (; i + 1 < bytes.size(); i += 2) {
        const uint32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 3 < bytes.size()) {
            const uint32_t low = unit(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        AppendUtf8(out, (u >= 0xD800 && u <= 0xDFFF) ? 0xFFFD : u);
    }
    if (i < bytes.size()) // an odd last byte
        AppendUtf8(out, 0xFFFD);
    return out;
}

std::string UnixLineEnds(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool StartsWith(const std::string& s, const char* prefix, size_t n) {
    return s.size() >= n && s.compare(0, n, prefix, n) == 0;
}

// The length of the well-formed UTF-8 sequence at `i`, 0 when there is none.
size_t Utf8SequenceAt(const std::string& text, size_t i) {
    const auto b = static_cast<unsigned char>(text[i]);
    int more = 0;
    uint32_t cp = 0;
    if (b < 0x80)
        return 1;
    if (b >= 0xC2 && b <= 0xDF)
        more = 1, cp = b & 0x1F;
    else if (b >= 0xE0 && b <= 0xEF)
        more = 2, cp = b & 0x0F;
    else if (b >= 0xF0 && b <= 0xF4)
        more = 3, cp = b & 0x07;
    else
        return 0;
    if (i + more >= text.size())
        return 0;
    for (int k = 1; k <= more; ++k) {
        const auto c = static_cast<unsigned char>(text[i + k]);
        if ((c & 0xC0) != 0x80)
            return 0;
        cp = cp << 6 | (c & 0x3F);
    }
    const uint32_t least = more == 1 ? 0x80 : more == 2 ? 0x800 : 0x10000;
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return static_cast<size_t>(more) + 1;
}

} // namespace

std::string RepairedUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const size_t n = Utf8SequenceAt(text, i);
        if (n == 0) {
            AppendUtf8(out, 0xFFFD);
            ++i;
        } else {
            out.append(text, i, n);
            i += n;
        }
    }
    return out;
}

namespace {

// True when at least half of the first (up to 512) two-byte units hold one
// zero byte, on the same side of the unit.
bool ZeroBytesAlternate(const std::string& bytes) {
    const size_t pairs = std::min<size_t>(bytes.size() / 2, 512);
    size_t highZero = 0, lowZero = 0;
    for (size_t k = 0; k < pairs; ++k) {
        const bool a = bytes[2 * k] == 0, b = bytes[2 * k + 1] == 0;
        highZero += a && !b;
        lowZero += b && !a;
    }
    return pairs > 0 && std::max(highZero, lowZero) * 2 >= pairs;
}

} // namespace

bool IsValidUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const size_t n = Utf8SequenceAt(text, i);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

bool LooksLikeUtf16WithoutBom(const std::string& bytes) {
    return !StartsWith(bytes, "\xFF\xFE", 2) && !StartsWith(bytes, "\xFE\xFF", 2) &&
           ZeroBytesAlternate(bytes);
}

std::string DecodeCutListText(const std::string& bytes) {
    if (StartsWith(bytes, "\xEF\xBB\xBF", 3))
        return UnixLineEnds(RepairedUtf8(bytes.substr(3)));
    if (StartsWith(bytes, "\xFF\xFE", 2))
        return UnixLineEnds(FromUtf16(bytes, false));
    if (StartsWith(bytes, "\xFE\xFF", 2))
        return UnixLineEnds(FromUtf16(bytes, true));
    return UnixLineEnds(IsValidUtf8(bytes) ? bytes : FromWindows1252(bytes));
}

} // namespace tessivo
