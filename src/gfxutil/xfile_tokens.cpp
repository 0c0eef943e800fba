#include "gfxutil/xfile_tokens.h"

#include <cstring>
#include <optional>

#include "bytes/little_endian.h"
#include "gfxutil/decimal_parse.h"

namespace tavrin {
namespace {

// Token numbers of the binary encoding.
enum : uint16_t {
    kName = 1,
    kString = 2,
    kInteger = 3,
    kGuid = 5,
    kIntegerList = 6,
    kFloatList = 7,
    kOpenBrace = 10,
    kCloseBrace = 11,
    kOpenParen = 12,
    kCloseParen = 13,
    kOpenBracket = 14,
    kCloseBracket = 15,
    kOpenAngle = 16,
    kCloseAngle = 17,
    kDot = 18,
    kComma = 19,
    kSemicolon = 20,
    kTemplate = 31,
    kFirstTypeWord = 40,
    kLastTypeWord = 53,
};

bool IsNameStart(uint8_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsNameChar(uint8_t c) {
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

bool IsDigit(uint8_t c) {
    return c >= '0' && c <= '9';
}

}  // namespace

XTokenizer::XTokenizer(std::span<const uint8_t> body, bool binary, bool doubleFloats)
    : body_(body), binary_(binary), doubles_(doubleFloats) {}

XToken XTokenizer::Peek() {
    if (!peeked_) {
        peekedKind_ = binary_ ? ReadBinary() : ReadText();
        peeked_ = true;
    }
    return peekedKind_;
}

XToken XTokenizer::Next() {
    const XToken kind = Peek();
    // An error or the end stays put, so a caller may look at it again.
    if (kind != XToken::Error && kind != XToken::End) peeked_ = false;
    return kind;
}

XToken XTokenizer::Fail(std::string message) {
    text_ = std::move(message);
    pos_ = body_.size();
    listLeft_ = 0;
    return XToken::Error;
}

bool XTokenizer::Take(size_t count, const uint8_t*& out) {
    if (count > body_.size() - pos_) return false;
    out = body_.data() + pos_;
    pos_ += count;
    return true;
}

XToken XTokenizer::ReadText() {
    while (pos_ < body_.size()) {
        const uint8_t c = body_[pos_];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
            ++pos_;
        } else if (c == '#' || (c == '/' && pos_ + 1 < body_.size() && body_[pos_ + 1] == '/')) {
            while (pos_ < body_.size() && body_[pos_] != '\n') ++pos_;
        } else {
            break;
        }
    }
    if (pos_ >= body_.size()) return XToken::End;
    const uint8_t c = body_[pos_];
    switch (c) {
        case '{':
            ++pos_;
            return XToken::OpenBrace;
        case '}':
            ++pos_;
            return XToken::CloseBrace;
        case ',':
        case ';':
            ++pos_;
            return XToken::Separator;
        case '[':
        case ']':
        case '(':
        case ')':
            ++pos_;
            text_.clear();
            return XToken::Punctuation;
        case '"': {
            const size_t start = ++pos_;
            while (pos_ < body_.size() && body_[pos_] != '"') ++pos_;
            if (pos_ >= body_.size()) return Fail("unterminated string");
            text_.assign(reinterpret_cast<const char*>(&body_[start]), pos_ - start);
            ++pos_;
            return XToken::String;
        }
        case '<': {
            const size_t start = ++pos_;
            while (pos_ < body_.size() && body_[pos_] != '>') ++pos_;
            if (pos_ >= body_.size()) return Fail("unterminated GUID");
            text_.assign(reinterpret_cast<const char*>(&body_[start]), pos_ - start);
            ++pos_;
            return XToken::Guid;
        }
        default:
            break;
    }
    // A dot starts a number only before a digit; templates open to any child say "[...]".
    if (c == '.' && !(pos_ + 1 < body_.size() && IsDigit(body_[pos_ + 1]))) {
        ++pos_;
        text_.clear();
        return XToken::Punctuation;
    }
    if (IsDigit(c) || c == '-' || c == '+' || c == '.') return ReadTextNumber();
    if (IsNameStart(c)) {
        const size_t start = pos_;
        while (pos_ < body_.size() && IsNameChar(body_[pos_])) ++pos_;
        text_.assign(reinterpret_cast<const char*>(&body_[start]), pos_ - start);
        return XToken::Name;
    }
    return Fail("unexpected character '" + std::string(1, static_cast<char>(c)) + "'");
}

XToken XTokenizer::ReadTextNumber() {
    const char* begin = reinterpret_cast<const char*>(body_.data()) + pos_;
    const char* end = reinterpret_cast<const char*>(body_.data()) + body_.size();
    const char* numberBegin = *begin == '+' ? begin + 1 : begin;
    double value = 0;
    const char* stop = ParseDecimal(numberBegin, end, value);
    if (stop == nullptr) return Fail("malformed number");
    const size_t length = static_cast<size_t>(stop - begin);
    const bool integral = std::memchr(begin, '.', length) == nullptr &&
                          std::memchr(begin, 'e', length) == nullptr &&
                          std::memchr(begin, 'E', length) == nullptr;
    pos_ += length;
    number_ = value;
    // Counts and indices are unsigned 32-bit; anything else stays a plain number.
    const bool fitsUnsigned = integral && value >= 0 && value <= 4294967295.0;
    unsigned_ = fitsUnsigned ? static_cast<uint32_t>(value) : 0;
    return fitsUnsigned ? XToken::Integer : XToken::Float;
}

XToken XTokenizer::ReadBinary() {
    std::optional<XToken> token;
    while (!token) token = ReadBinaryToken();
    return *token;
}

std::optional<XToken> XTokenizer::ReadBinaryToken() {
    const uint8_t* p = nullptr;
    if (listLeft_ > 0) {
        --listLeft_;
        if (!listFloats_) {
            if (!Take(4, p)) return Fail("integer list is truncated");
            unsigned_ = le::Read32(p);
            number_ = unsigned_;
            return XToken::Integer;
        }
        if (!Take(doubles_ ? 8 : 4, p)) return Fail("float list is truncated");
        if (doubles_) {
            std::memcpy(&number_, p, 8);
        } else {
            float value;
            std::memcpy(&value, p, 4);
            number_ = value;
        }
        return XToken::Float;
    }
    if (pos_ >= body_.size()) return XToken::End;
    if (!Take(2, p)) return Fail("token is truncated");
    const uint16_t token = le::Read16(p);
    switch (token) {
        case kName:
        case kString: {
            if (!Take(4, p)) return Fail("name length is truncated");
            const uint32_t length = le::Read32(p);
            if (!Take(length, p)) return Fail("name is truncated");
            text_.assign(reinterpret_cast<const char*>(p), length);
            if (token == kName) return XToken::Name;
            // A string carries its terminator (',' or ';'), written as a word or as a dword.
            if (pos_ + 2 <= body_.size()) {
                const uint16_t terminator = le::Read16(&body_[pos_]);
                if (terminator == kComma || terminator == kSemicolon) {
                    pos_ += 2;
                    if (pos_ + 2 <= body_.size() && le::Read16(&body_[pos_]) == 0) pos_ += 2;
                }
            }
            return XToken::String;
        }
        case kInteger:
            if (!Take(4, p)) return Fail("integer is truncated");
            unsigned_ = le::Read32(p);
            number_ = unsigned_;
            return XToken::Integer;
        case kGuid:
            if (!Take(16, p)) return Fail("GUID is truncated");
            return XToken::Guid;
        case kIntegerList:
        case kFloatList:
            if (!Take(4, p)) return Fail("list length is truncated");
            listLeft_ = le::Read32(p);
            listFloats_ = token == kFloatList;
            return std::nullopt;  // the elements, if any, follow as tokens of their own
        case kOpenBrace:
            return XToken::OpenBrace;
        case kCloseBrace:
            return XToken::CloseBrace;
        case kComma:
        case kSemicolon:
            return XToken::Separator;
        case kOpenParen:
        case kCloseParen:
        case kOpenBracket:
        case kCloseBracket:
        case kOpenAngle:
        case kCloseAngle:
        case kDot:
        case kTemplate:
            text_ = token == kTemplate ? "template" : "";
            return XToken::Punctuation;
        default:
            if (token >= kFirstTypeWord && token <= kLastTypeWord) {
                text_.clear();
                return XToken::Punctuation;
            }
            return Fail("unknown binary token " + std::to_string(token));
    }
}

}  // namespace tavrin
