// Any text handed to the decoder must come back without a read out of range, whatever it is.
#include "SmsPduCodec.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    SmsPduCodec codec;
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const SmsPduCodec::Decoded d = codec.DecodePdu(text);
    // Packing whatever came out must be safe too, and so must splitting and joining it.
    std::string udl, ud;
    codec.PackSeptets(d.Text, udl, ud);
    SmsPduCodec::UnpackSeptets(text, static_cast<int>(size));
    const auto parts =
        codec.EncodeSubmitParts("12", "91", d.Text, 0, "", 0, 1, SmsPduCodec::AlphabetFor(d.Text));
    SmsPduCodec::JoinParts({d, d});
    if (!parts.empty() && SmsPduCodec::JoinParts({codec.DecodePdu(parts.back().pdu)}).empty())
        __builtin_trap(); // a part that comes back empty lost its text
    return 0;
}
