#include "core/byte_codec.h"

#include "core/ansi_codec.h"

namespace tonmark {

void PutTextRecord(std::string& out, std::string_view utf8) {
    std::string ansi = Utf8ToAnsi(Utf8Prefix(utf8, 255));
    if (ansi.size() > 255)
        ansi.resize(255);
    PutI32(out, static_cast<int32_t>(ansi.size() + 2));
    out += static_cast<char>(ansi.size());
    out += ansi;
    out += '\0';
}

bool GetTextRecord(ByteReader& in, std::string& utf8) {
    int32_t n = 0;
    if (!in.I32(n))
        return false;
    // The record buffer holds 256 bytes: the length byte and up to 255 text
    // bytes. The writer's own N = L + 2 reaches 257 for a 255-byte text, the
    // last byte being the filler that is skipped, so 257 is still whole.
    if (n < 1 || n > 257) {
        in.Fail();
        return false;
    }
    std::string_view body;
    if (!in.Bytes(static_cast<size_t>(n), body))
        return false;
    const auto len = static_cast<uint8_t>(body[0]);
    if (len > n - 1) {
        in.Fail();
        return false;
    }
    utf8 = AnsiToUtf8(body.substr(1, len));
    return true;
}

} // namespace tonmark
