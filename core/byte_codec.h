#pragma once
// Little-endian binary fields and the text record shared by the audiogram and
// calibration files. The reader is bounded: reading past the end fails
// instead of inventing bytes, so a damaged file can be refused whole.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace tonmark {

class ByteReader {
  public:
    explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}

    bool ok() const { return ok_; }
    size_t offset() const { return pos_; }
    size_t remaining() const { return bytes_.size() - pos_; }

    bool Bytes(size_t n, std::string_view& out) {
        if (!ok_ || n > remaining())
            return ok_ = false;
        out = bytes_.substr(pos_, n);
        pos_ += n;
        return true;
    }
    bool U8(uint8_t& v) {
        std::string_view b;
        if (!Bytes(1, b))
            return false;
        v = static_cast<uint8_t>(b[0]);
        return true;
    }
    bool I32(int32_t& v) {
        std::string_view b;
        if (!Bytes(4, b))
            return false;
        uint32_t u = 0;
        for (int i = 3; i >= 0; --i)
            u = (u << 8) | static_cast<uint8_t>(b[i]);
        v = static_cast<int32_t>(u);
        return true;
    }
    bool F64(double& v) {
        std::string_view b;
        if (!Bytes(8, b))
            return false;
        uint64_t u = 0;
        for (int i = 7; i >= 0; --i)
            u = (u << 8) | static_cast<uint8_t>(b[i]);
        std::memcpy(&v, &u, 8);
        return true;
    }
    void Fail() { ok_ = false; }

  private:
    std::string_view bytes_;
    size_t pos_ = 0;
    bool ok_ = true;
};

inline void PutI32(std::string& out, int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((u >> (8 * i)) & 0xFF);
}

inline void PutF64(std::string& out, double v) {
    uint64_t u;
    std::memcpy(&u, &v, 8);
    for (int i = 0; i < 8; ++i)
        out += static_cast<char>((u >> (8 * i)) & 0xFF);
}

// Text record: int32 N = L + 2, length byte L, L bytes of Windows-1252 text,
// one filler byte (written as 0). The text is cut to 255 characters, then
// its encoded bytes to 255.
void PutTextRecord(std::string& out, std::string_view utf8);

// The raw record as it is on disk: count, length byte, and the N bytes.
// Refuses (and fails the reader) a count that does not fit the 256-byte
// record buffer and its filler (N > 257 or N < 1) and a length byte that
// exceeds N - 1;
// bytes beyond L + 1 within N are skipped. The text comes back as UTF-8.
bool GetTextRecord(ByteReader& in, std::string& utf8);

} // namespace tonmark
