#include "ErrorCapture.h"

#include "analytics/core/BatchEncoding.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>
#include <zlib.h>

using namespace qx_analytics;

namespace {

std::string PercentDecode(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() + 0) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string Base64Decode(const std::string& text)
{
    DWORD length = 0;
    if (!CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64, nullptr, &length,
                              nullptr, nullptr))
        return "<bad base64>";
    std::string bytes(length, '\0');
    CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64,
                         reinterpret_cast<BYTE*>(bytes.data()), &length, nullptr, nullptr);
    bytes.resize(length);
    return bytes;
}

std::string Gunzip(const std::string& bytes)
{
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) return "<no inflate>";
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    std::string out;
    char buffer[4096];
    int result = Z_OK;
    do {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        result = inflate(&stream, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - stream.avail_out);
    } while (result == Z_OK);
    inflateEnd(&stream);
    return result == Z_STREAM_END ? out : "<bad gzip>";
}

TEST(BatchEncoding, PercentEncodingKeepsOnlyUnreservedCharacters)
{
    EXPECT_EQ(PercentEncode("aZ09-._~"), "aZ09-._~");
    EXPECT_EQ(PercentEncode("+/= %\n\xFF"), "%2B%2F%3D%20%25%0A%FF");
}

TEST(BatchEncoding, Base64StandardAlphabetWithPadding)
{
    const struct {
        std::string in, out;
    } cases[] = {{"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"\xFB\xFF", "+/8="}};
    for (const auto& c : cases) EXPECT_EQ(Base64Encode(c.in), c.out) << c.in;
    const std::string large(5000, 'x'); // long enough that a line-wrapping encoder would wrap
    EXPECT_EQ(Base64Encode(large).find_first_of("\r\n"), std::string::npos);
}

TEST(BatchEncoding, BodyDecodesBackToTheBatch)
{
    std::string varied = "[";
    for (int i = 0; i < 30; ++i) varied += (i ? "," : "") + std::string("{\"n\":") + std::to_string(i * 7919) + "}";
    varied += "]";
    const std::string cases[] = {"[{\"a\":1}]", varied, std::string(200000, 'z'), "[\"\xE5\xAE\x89\"]"};
    for (const std::string& batch : cases) {
        std::string body;
        ASSERT_TRUE(EncodeBatchBody(batch, body));
        const std::string prefix = "data_list=", suffix = "&gzip=1";
        ASSERT_EQ(body.compare(0, prefix.size(), prefix), 0);
        ASSERT_EQ(body.compare(body.size() - suffix.size(), suffix.size(), suffix), 0);
        const std::string field = body.substr(prefix.size(), body.size() - prefix.size() - suffix.size());
        EXPECT_EQ(field.find_first_of("+/="), std::string::npos);
        const std::string compressed = Base64Decode(PercentDecode(field));
        ASSERT_GE(compressed.size(), 10u);
        EXPECT_EQ(static_cast<unsigned char>(compressed[0]), 0x1F) << "gzip magic";
        EXPECT_EQ(static_cast<unsigned char>(compressed[1]), 0x8B);
        EXPECT_EQ(Gunzip(compressed), batch);
    }
}

} // namespace
