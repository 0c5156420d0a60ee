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
    // Packing whatever came out must be safe too.
    std::string udl, ud;
    codec.PackSeptets(d.Text, udl, ud);
    SmsPduCodec::UnpackSeptets(text, static_cast<int>(size));
    return 0;
}
