#pragma once

#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "gfxutil_assets/byte_writer.h"

// Writes one X file description as text, binary or MSZIP-compressed data, so the tests can check
// that every encoding of the same content reads alike.
namespace tavrin::testing {

class XWriter {
public:
    XWriter& Name(const std::string& name) { return Add({Kind::Name, name}); }
    XWriter& String(const std::string& text) { return Add({Kind::String, text}); }
    XWriter& Ints(std::vector<uint32_t> values) {
        Token t{Kind::Ints};
        t.ints = std::move(values);
        return Add(t);
    }
    XWriter& Floats(std::vector<double> values) {
        Token t{Kind::Floats};
        t.floats = std::move(values);
        return Add(t);
    }
    XWriter& Open() { return Add({Kind::Open}); }
    XWriter& Close() { return Add({Kind::Close}); }
    XWriter& Object(const std::string& type, const std::string& name = "") {
        Name(type);
        if (!name.empty()) Name(name);
        return Open();
    }
    XWriter& Reference(const std::string& name) { return Open().Name(name).Close(); }
    // A template declaration open to any child ("[...]"), as exporters put at the top of a file.
    XWriter& Template(const std::string& name) { return Add({Kind::Template, name}); }

    std::vector<uint8_t> Text() const {
        std::string out = "xof 0303txt 0032\n";
        for (const Token& t : tokens_) {
            switch (t.kind) {
                case Kind::Name:
                    out += t.text + " ";
                    break;
                case Kind::String:
                    out += "\"" + t.text + "\";\n";
                    break;
                case Kind::Ints:
                    for (size_t i = 0; i < t.ints.size(); ++i) {
                        out += std::to_string(t.ints[i]) + (i + 1 < t.ints.size() ? "," : ";");
                    }
                    out += "\n";
                    break;
                case Kind::Floats:
                    for (size_t i = 0; i < t.floats.size(); ++i) {
                        char number[32];
                        std::snprintf(number, sizeof number, "%.6f", t.floats[i]);
                        out += number;
                        out += i + 1 < t.floats.size() ? ";" : ";;";
                    }
                    out += "\n";
                    break;
                case Kind::Open:
                    out += "{\n";
                    break;
                case Kind::Close:
                    out += "}\n";
                    break;
                case Kind::Template:
                    out += "template " + t.text +
                           " {\n <3D82AB46-62DA-11CF-AB39-0020AF71E433>\n [...]\n}\n";
                    break;
            }
        }
        return {out.begin(), out.end()};
    }

    std::vector<uint8_t> Binary(bool doubles = false) const {
        ByteWriter w;
        w.Text(doubles ? "xof 0303bin 0064" : "xof 0303bin 0032");
        for (const Token& t : tokens_) {
            switch (t.kind) {
                case Kind::Name:
                    w.U16(1).U32(static_cast<uint32_t>(t.text.size())).Text(t.text);
                    break;
                case Kind::String:
                    w.U16(2).U32(static_cast<uint32_t>(t.text.size())).Text(t.text).U16(20);
                    break;
                case Kind::Ints:
                    w.U16(6).U32(static_cast<uint32_t>(t.ints.size()));
                    for (uint32_t v : t.ints) w.U32(v);
                    break;
                case Kind::Floats:
                    w.U16(7).U32(static_cast<uint32_t>(t.floats.size()));
                    for (double v : t.floats) doubles ? w.F64(v) : w.F32(static_cast<float>(v));
                    break;
                case Kind::Open:
                    w.U16(10);
                    break;
                case Kind::Close:
                    w.U16(11);
                    break;
                case Kind::Template:
                    w.U16(31).U16(1).U32(static_cast<uint32_t>(t.text.size())).Text(t.text).U16(10);
                    w.U16(5).Zeros(16).U16(14).U16(18).U16(18).U16(18).U16(15).U16(11);
                    break;
            }
        }
        return w.Bytes();
    }

    // The plain file's body in blocks of at most `blockSize` bytes, each deflated with the
    // previous output as its dictionary.
    static std::vector<uint8_t> Compress(const std::vector<uint8_t>& plain,
                                         size_t blockSize = 32768) {
        ByteWriter w;
        std::string header(plain.begin(), plain.begin() + 16);
        header.replace(8, 4, header.compare(8, 4, "bin ") == 0 ? "bzip" : "tzip");
        w.Text(header).U32(static_cast<uint32_t>(plain.size()));
        for (size_t at = 16; at < plain.size(); at += blockSize) {
            const size_t size = std::min(blockSize, plain.size() - at);
            z_stream z{};
            deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
            const size_t history = std::min<size_t>(at - 16, 32768);
            if (history > 0)
                deflateSetDictionary(&z, &plain[at - history], static_cast<uInt>(history));
            std::vector<uint8_t> out(deflateBound(&z, static_cast<uLong>(size)));
            z.next_in = const_cast<Bytef*>(&plain[at]);
            z.avail_in = static_cast<uInt>(size);
            z.next_out = out.data();
            z.avail_out = static_cast<uInt>(out.size());
            deflate(&z, Z_FINISH);
            out.resize(z.total_out);
            deflateEnd(&z);
            w.U16(static_cast<uint32_t>(size))
                .U16(static_cast<uint32_t>(out.size() + 2))
                .Text("CK");
            w.Bytes(out);
        }
        return w.Bytes();
    }

private:
    enum class Kind { Name, String, Ints, Floats, Open, Close, Template };
    struct Token {
        Kind kind;
        std::string text{};
        std::vector<uint32_t> ints{};
        std::vector<double> floats{};
    };
    XWriter& Add(Token t) {
        tokens_.push_back(std::move(t));
        return *this;
    }
    std::vector<Token> tokens_;
};

}  // namespace tavrin::testing
