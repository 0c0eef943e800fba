#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

// Splits the body of an X file (after its 16-byte header) into tokens. Text and binary bodies give
// the same token sequence, so one parser serves both; a binary integer or float list comes out as
// one Integer or Float token per element.

namespace tavrin {

enum class XToken {
    End,
    Name,
    String,
    Integer,
    Float,
    Guid,
    OpenBrace,
    CloseBrace,
    Separator,    // ',' or ';'
    Punctuation,  // '[', ']', '(', ')', '.', and the binary template keywords
    Error,
};

class XTokenizer {
public:
    XTokenizer(std::span<const uint8_t> body, bool binary, bool doubleFloats);

    XToken Peek();
    XToken Next();

    // Value of the token last returned by Next: the text of a Name or String, the number of an
    // Integer or Float.
    const std::string& Text() const { return text_; }
    double Number() const { return number_; }
    uint32_t Unsigned() const { return unsigned_; }
    // Why the tokenizer stopped with XToken::Error.
    const std::string& ErrorMessage() const { return text_; }
    // Bytes not yet consumed: an upper bound for the number of elements still to come.
    size_t Remaining() const { return body_.size() - pos_; }

private:
    XToken ReadText();
    XToken ReadBinary();
    // One encoded token; nothing when it was a list header whose elements come next.
    std::optional<XToken> ReadBinaryToken();
    XToken ReadTextNumber();
    XToken Fail(std::string message);
    bool Take(size_t count, const uint8_t*& out);

    std::span<const uint8_t> body_;
    size_t pos_ = 0;
    bool binary_;
    bool doubles_;
    bool peeked_ = false;
    XToken peekedKind_ = XToken::End;
    // Elements of a binary integer or float list still to hand out.
    uint32_t listLeft_ = 0;
    bool listFloats_ = false;
    std::string text_;
    double number_ = 0;
    uint32_t unsigned_ = 0;
};

}  // namespace tavrin
