#include "SessionRecord.h"
#include "../Unprivileged.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Each test runs in a fresh working directory, since the fallback file is relative to it.
class SessionRecordTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_oldDir = fs::current_path();
        std::string templ = (fs::temp_directory_path() / "tandrel-session-XXXXXX").string();
        ASSERT_NE(::mkdtemp(templ.data()), nullptr);
        m_dir = templ;
        fs::current_path(m_dir);
    }
    void TearDown() override
    {
        fs::current_path(m_oldDir);
        std::error_code ec;
        fs::permissions(m_dir / "locked", fs::perms::owner_all, ec);
        fs::remove_all(m_dir, ec);
    }

    static void write(const fs::path &path, const std::string &content)
    {
        std::ofstream out(path, std::ios::binary);
        out << content;
    }
    static std::string read(const fs::path &path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    fs::path m_oldDir;
    fs::path m_dir;
};

const std::string kDefaultFile = "<SETTINGS>19200,n,8,1<\\SETTINGS>\n"
                                 "<COM>COM1<\\COM>\n"
                                 "<SIM>CIV<\\SIM>\n"
                                 "<CALL>+1(000)000-0000<\\CALL>\n"
                                 "<TYPE>Land<\\TYPE>\n"
                                 "<ECHO>ON<\\ECHO>\n"
                                 "<RING>ON<\\RING>\n"
                                 "<FLOW>NONE<\\FLOW>\n"
                                 "<IGVER>E3P2<\\IGVER>\n"
                                 "<TERMVER>IGS<\\TERMVER>\n"
                                 "<SMS>ON<\\SMS>\n";

} // namespace

TEST_F(SessionRecordTest, SavedLayoutIsByteExact)
{
    SessionRecord record;
    std::string error;
    ASSERT_TRUE(record.SaveSession("a.sms", &error)) << error;
    EXPECT_EQ(read("a.sms"), kDefaultFile);

    record.setValue(SessionTag::Com, "COM7");
    record.setValue(SessionTag::Sms, "OFF");
    ASSERT_TRUE(record.SaveSession("a.sms", &error)) << error;
    const std::string saved = read("a.sms");
    EXPECT_NE(saved.find("<COM>COM7<\\COM>\n<SIM>"), std::string::npos);
    EXPECT_EQ(saved.substr(saved.size() - 15), "<SMS>OFF<\\SMS>\n");
    EXPECT_EQ(fs::directory_iterator(m_dir)->path().filename(), "a.sms") << "temp file left";
}

// Each file is loaded over a record that holds other values: what the file names is taken
// verbatim, from its first occurrence and only between the tags; the rest is the default.
TEST_F(SessionRecordTest, LoadTakesWhatTheFileSaysAndDefaultsTheRest)
{
    using T = SessionTag;
    const std::tuple<const char *, std::string, std::map<SessionTag, std::string>> cases[] = {
        {"empty", "", {}},
        {"one tag", "<COM>COM3<\\COM>\n", {{T::Com, "COM3"}}},
        {"line ends inside a value stay, the first occurrence counts",
         "junk<COM>COM3\r\n<\\COM><COM>COM9<\\COM>",
         {{T::Com, "COM3\r\n"}}},
        {"blanks kept, empty value",
         "<CALL>+1 555<\\CALL><TYPE><\\TYPE>",
         {{T::Call, "+1 555"}, {T::Type, ""}}},
        {"closing tag before the opening one", "<\\FLOW>HW<FLOW>XON", {{T::Flow, ""}}},
        {"a slash is not the closing tag",
         "<CALL>+881631234567</CALL>\n<SIM>GOV<\\SIM>\n",
         {{T::Sim, "GOV"}}},
        {"modem read", "<MODEM>9522<\\MODEM>", {{T::Modem, "9522"}}},
    };
    for (const auto &[name, file, values] : cases) {
        SCOPED_TRACE(name);
        SessionRecord record;
        record.setValue(T::Echo, "OFF");
        record.setValue(T::Com, "COM8");
        write("case.sms", file);
        ASSERT_EQ(record.LoadSession("case.sms"), 0);
        for (int i = 0; i < SessionRecord::TagCount; ++i) {
            const auto tag = static_cast<SessionTag>(i);
            const auto it = values.find(tag);
            EXPECT_EQ(record.value(tag),
                      it == values.end() ? SessionRecord::defaultValue(tag) : it->second)
                << SessionRecord::tagName(tag);
        }
    }
}

TEST_F(SessionRecordTest, ModemIsReadButNeverSaved)
{
    write("modem.sms", "<MODEM>9522<\\MODEM><COM>COM2<\\COM>");
    SessionRecord record;
    ASSERT_EQ(record.LoadSession("modem.sms"), 0);
    record.setValue(SessionTag::Modem, "9555"); // not one of the saved values
    EXPECT_EQ(record.value(SessionTag::Modem), "9522");

    ASSERT_TRUE(record.SaveSession("modem.sms"));
    EXPECT_EQ(read("modem.sms").find("MODEM"), std::string::npos);
    SessionRecord reloaded;
    ASSERT_EQ(reloaded.LoadSession("modem.sms"), 0);
    EXPECT_EQ(std::pair(reloaded.value(SessionTag::Modem), reloaded.value(SessionTag::Com)),
              (std::pair<std::string, std::string>("9505", "COM2")));
}

TEST_F(SessionRecordTest, FallsBackToDefaultFileThenFails)
{
    SessionRecord record;
    EXPECT_EQ(record.LoadSession("missing.sms"), -1);
    EXPECT_EQ(record.LoadSession(""), -1);
    fs::create_directory("folder.sms");
    EXPECT_EQ(record.LoadSession("folder.sms"), -1); // opens, but cannot be read

    fs::create_directory("Session");
    write("Session/default.sms", "<COM>COM4<\\COM>");
    EXPECT_EQ(record.LoadSession("missing.sms"), 0);
    EXPECT_EQ(record.value(SessionTag::Com), "COM4");
    record.setValue(SessionTag::Com, "COM1");
    EXPECT_EQ(record.LoadSession(""), 0);
    EXPECT_EQ(record.value(SessionTag::Com), "COM4");
}

TEST_F(SessionRecordTest, FailedSaveKeepsOldFileAndSaysWhy)
{
    SessionRecord record;
    std::string error;
    EXPECT_FALSE(record.SaveSession("", &error));
    EXPECT_NE(error.find("no file name"), std::string::npos) << error;

    EXPECT_FALSE(record.SaveSession("nowhere/x.sms", &error));
    EXPECT_NE(error.find("nowhere/x.sms"), std::string::npos) << error;
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists("nowhere"));

    // A write that fails half way (a full disk, here a file size limit) must not touch the
    // old file nor leave the temporary one behind.
    write("old.sms", "<COM>COM5<\\COM>");
    rlimit oldLimit{};
    ::getrlimit(RLIMIT_FSIZE, &oldLimit);
    const rlimit small{40, oldLimit.rlim_max};
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &small);
    const bool saved = record.SaveSession("old.sms", &error);
    ::setrlimit(RLIMIT_FSIZE, &oldLimit);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved);
    EXPECT_NE(error.find("\"old.sms\""), std::string::npos) << error;
    EXPECT_EQ(read("old.sms"), "<COM>COM5<\\COM>");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);
}

TEST_F(SessionRecordTest, SaveIntoReadOnlyFolderKeepsOldFile)
{
    fs::create_directory("locked");
    write("locked/old.sms", "<COM>COM5<\\COM>");
    // Open to others, so that the check may run as an ordinary user under root.
    fs::permissions(m_dir, fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
    fs::permissions("locked", fs::perms::owner_read | fs::perms::owner_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
    EXPECT_TRUE(asUnprivileged([] {
        SessionRecord record;
        std::string error;
        return !record.SaveSession("locked/old.sms", &error) &&
               error.find("Permission denied") != std::string::npos;
    }));
    EXPECT_EQ(read("locked/old.sms"), "<COM>COM5<\\COM>");
}
