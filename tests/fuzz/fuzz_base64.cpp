// Base64 decoding of arbitrary text, then a round trip of the decoded bytes:
// every result must stay inside its buffer and end in a zero byte.
#include "mail/Base64Codec.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CBase64Codec codec;
    codec.DecodeBytes(reinterpret_cast<const char*>(data), size);
    const std::size_t decoded = codec.DecodedLength();
    // A short last group still writes three bytes; the zero follows those.
    const std::size_t written = (codec.EncodedLength() + 3) / 4 * 3;
    if (decoded > written || codec.DecodedData()[written] != 0)
        __builtin_trap();

    CBase64Codec again;
    again.EncodeBytes(codec.DecodedData(), decoded);
    if (std::strlen(again.EncodedText()) != again.EncodedLength())
        __builtin_trap();
    again.DecodeText(again.EncodedText());
    if (again.DecodedLength() < decoded || std::memcmp(again.DecodedData(), codec.DecodedData(), decoded) != 0)
        __builtin_trap();
    return 0;
}
