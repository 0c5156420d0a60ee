#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace {

struct ToolRun
{
    int status = -1;
    std::string out;
    bool operator==(const ToolRun &) const = default;
    friend void PrintTo(const ToolRun &r, std::ostream *os) { *os << r.status << " " << r.out; }
};

// Runs the tool with arguments already quoted for the shell; standard error is discarded.
ToolRun tool(const std::string &args)
{
    ToolRun r;
    const std::string command = std::string("'") + TANDREL_PDU_TOOL + "' " + args + " 2>/dev/null";
    FILE *p = popen(command.c_str(), "r");
    if (!p)
        return r;
    char buf[512];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    const int raw = pclose(p);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

} // namespace

TEST(PduTool, EncodePrintsPduAndLength)
{
    EXPECT_EQ(tool("encode --to 1234567 --text abc"),
              (ToolRun{0, "079188612609005011000791214365F70000FF0361F118\nlength 24\n"}));

    const ToolRun r = tool("encode --email ops@example.org --text hi --vp 0");
    EXPECT_EQ(r.status, 0);
    // First octet 11, TP-MR 00, the e-mail gateway's address 02912A, PID and DCS 0000, validity 00.
    EXPECT_NE(r.out.find("110002912A000000"), std::string::npos) << r.out;

    for (const std::string bad :
         {"--to 12+3 --text a", "--to 12", "--to 12 --text a --vp 256",
          "--to 12 --text a --abs 26122418300", "--to 12 --text a --ref 256",
          "--to 12 --text '\xC3('"}) // the last not UTF-8
        EXPECT_EQ(tool("encode " + bad).status, 2) << bad;
    EXPECT_EQ(tool("encode --to 12 --text " + std::string(153 * 255 + 1, 'x')).status, 2);
}

TEST(PduTool, JoinRefusesPartsOfDifferentMessages)
{
    // Parts of different messages do not join.
    const ToolRun one = tool("encode --to 12 --text " + std::string(161, 'y'));
    const ToolRun other = tool("encode --to 99 --text " + std::string(161, 'z'));
    EXPECT_EQ(tool("join " + one.out.substr(0, one.out.find('\n')) + " " +
                   other.out.substr(0, other.out.find('\n'))),
              (ToolRun{2, ""}));
}

TEST(PduTool, DecodePrintsOneJsonObject)
{
    EXPECT_EQ(
        tool("decode 07911326040000F0040B911346610089F60000208062917314080CC8F71D14969741F977FD07"),
        (ToolRun{0, "{\"kind\":\"deliver\",\"toa\":\"91\",\"number\":\"31641600986\","
                    "\"timestamp\":\"02082619374180\",\"vp\":-1,\"vp_text\":\"\",\"dcs\":\"00\","
                    "\"encoding\":\"gsm7\",\"text\":\"How are you?\"}\n"}));

    ToolRun r = tool("decode 079188612609005011000791214365F70000FF0361F118");
    EXPECT_NE(r.out.find("\"kind\":\"submit\""), std::string::npos);
    EXPECT_NE(r.out.find("\"vp\":255"), std::string::npos);

    // Concatenation details appear only when a header carries them.
    r = tool("decode 07911326040000F0400B911346610089F60008208062917314080B0608041234020100410042");
    EXPECT_NE(
        r.out.find("\"encoding\":\"ucs2\",\"text\":\"AB\",\"ref\":4660,\"part\":1,\"parts\":2"),
        std::string::npos)
        << r.out;

    for (const char *bad : {"ABC", "0G", "''", "'07 91'"})
        EXPECT_EQ(tool(std::string("decode ") + bad), (ToolRun{2, ""})) << bad;
}
