#include "ScanText.h"
#include "ReceiveProcessor.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// The backspace rule as stated: delete the first backspace, with the character before it
// unless it is the first character, until none is left.
std::string slowBackspaces(std::string s)
{
    for (size_t at; (at = s.find('\b')) != std::string::npos;)
        s.erase(at == 0 ? 0 : at - 1, at == 0 ? 1 : 2);
    return s;
}

} // namespace

TEST(ReceiveText, BackspacesMatchTheRepeatedRule)
{
    EXPECT_EQ(ReceiveProcessor::ApplyBackspaces(""), "");
    EXPECT_EQ(ReceiveProcessor::ApplyBackspaces("\bAT"), "AT");
    EXPECT_EQ(ReceiveProcessor::ApplyBackspaces("ATX\bI\r"), "ATI\r");
    EXPECT_EQ(ReceiveProcessor::ApplyBackspaces("A\b\b\bB"), "B");
    EXPECT_EQ(ReceiveProcessor::ToUpperText("at+cmgl=4\r"), "AT+CMGL=4\r");

    std::mt19937 rng(7);
    for (int round = 0; round < 2000; ++round) {
        std::string s(rng() % 40, ' ');
        for (char &c : s)
            c = "ab\b\b"[rng() % 4];
        ASSERT_EQ(ReceiveProcessor::ApplyBackspaces(s), slowBackspaces(s)) << round;
    }
}

TEST(ReceiveText, IncrementalSearchAgreesWithSearchingTheWholeText)
{
    std::mt19937 rng(11);
    const char *const patterns[] = {"AB", "ABA", "B", "BBA"};
    for (int round = 0; round < 300; ++round) {
        ScanText scan(round % 2 ? 64 : 100000); // small: trimming happens too
        std::string all;
        for (int step = 0; step < 40; ++step) {
            std::string chunk(rng() % 6, ' ');
            for (char &c : chunk)
                c = "aAbB\b"[rng() % 5];
            scan.append(chunk);
            all += chunk;
            if (round % 2 == 0) {
                ASSERT_EQ(scan.str(),
                          ReceiveProcessor::ToUpperText(ReceiveProcessor::ApplyBackspaces(all)));
            } else {
                ASSERT_LE(scan.size(), 64u);
            }
            const std::string held = scan.str();
            for (const char *p : patterns)
                ASSERT_EQ(scan.find(p), held.find(p))
                    << "round " << round << " step " << step << " pattern " << p;
            ASSERT_EQ(scan.find("A", 3), held.find("A", 3));
            if (step == 20) {
                scan.clear();
                all.clear();
            }
        }
    }
}
