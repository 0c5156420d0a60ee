#pragma once

#include "SmsPduCodec.h"

#include <string>
#include <vector>

namespace testbytes {

// A binary SBD message as the handset frames it: two length bytes, the message, the 16-bit sum.
// A sumDelta other than 0 damages the sum.
inline std::string sbdFrame(const std::string &message, unsigned sumDelta = 0)
{
    unsigned sum = sumDelta;
    for (char c : message)
        sum += static_cast<unsigned char>(c);
    return std::string{char(message.size() >> 8), char(message.size() & 0xFF)} + message +
           char((sum >> 8) & 0xFF) + char(sum & 0xFF);
}

// The SMS-DELIVER parts of a text from a sender, as the network hands them over.
inline std::vector<std::string> deliverParts(const std::string &text, int reference,
                                             const std::string &sender = "0B911346610089F6")
{
    const auto alphabet = SmsPduCodec::AlphabetFor(text);
    const auto texts = SmsPduCodec::SplitText(text, alphabet);
    std::vector<std::string> pdus;
    for (size_t i = 0; i < texts.size(); ++i) {
        std::string udl, ud;
        SmsPduCodec::BuildUserData(
            texts[i], alphabet,
            SmsPduCodec::ConcatenationHeader(reference, int(i + 1), int(texts.size())), udl, ud);
        pdus.push_back("07911326040000F044" + sender + "00" +
                       (alphabet == SmsPduCodec::Alphabet::Ucs2 ? "08" : "00") + "20806291731408" +
                       udl + ud);
    }
    return pdus;
}

} // namespace testbytes
