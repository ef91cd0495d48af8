#include "analytics/core/BatchEncoding.h"

#include "analytics/core/ErrorOutput.h"

#include <windows.h>
#include <wincrypt.h>
#include <zlib.h>

namespace qx_analytics {

namespace {

constexpr size_t kOutputStep = 32768;

// Ends the deflate stream whatever path leaves the compressor.
struct DeflateStream {
    z_stream stream{};
    bool started = false;
    ~DeflateStream()
    {
        if (started) deflateEnd(&stream);
    }
};

} // namespace

bool GzipCompress(const std::string& input, std::string& output)
{
    output.clear();
    DeflateStream deflater;
    if (deflateInit2(&deflater.stream, 9, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        WriteError("deflateInit2 failed while compressing.");
        return false;
    }
    deflater.started = true;
    z_stream& stream = deflater.stream;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
    stream.avail_in = static_cast<uInt>(input.size());
    int result = Z_OK;
    char buffer[kOutputStep];
    do {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        result = deflate(&stream, Z_FINISH);
        output.append(buffer, sizeof buffer - stream.avail_out);
    } while (result == Z_OK || result == Z_BUF_ERROR);
    if (result != Z_STREAM_END) {
        WriteError("Exception during zlib compression: (" + std::to_string(result) + ") " +
                   (stream.msg ? stream.msg : ""));
        output.clear();
        return false;
    }
    return true;
}

std::string Base64Encode(const std::string& bytes)
{
    if (bytes.empty()) return {};
    const DWORD flags = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF;
    const auto* data = reinterpret_cast<const BYTE*>(bytes.data());
    DWORD length = 0;
    if (!CryptBinaryToStringA(data, static_cast<DWORD>(bytes.size()), flags, nullptr, &length)) return {};
    std::string text(length, '\0');
    if (!CryptBinaryToStringA(data, static_cast<DWORD>(bytes.size()), flags, text.data(), &length)) return {};
    text.resize(length); // the second call reports the length without the terminator
    return text;
}

std::string PercentEncode(const std::string& text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool keep = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                          (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' || byte == '~';
        if (keep) {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        }
    }
    return out;
}

bool EncodeBatchBody(const std::string& batch, std::string& body)
{
    std::string compressed;
    if (!GzipCompress(batch, compressed)) return false;
    body = "data_list=" + PercentEncode(Base64Encode(compressed)) + "&gzip=1";
    return true;
}

} // namespace qx_analytics
