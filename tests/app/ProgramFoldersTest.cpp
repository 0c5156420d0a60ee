#include "ProgramFolders.h"
#include "../Unprivileged.h"
#include <fstream>

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

class ProgramFoldersTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_root = fs::temp_directory_path() /
                 ("tandrel-folders-" + std::to_string(getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_root);
        for (const char *folder : {"usr/bin", "build/app", "home"})
            fs::create_directories(m_root / folder);
    }
    void TearDown() override
    {
        fs::permissions(m_root / "build" / "app", fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(m_root);
    }

    std::string dir(const fs::path &p) const { return (m_root / p).string() + "/"; }
    void touch(const fs::path &p) const { std::ofstream((m_root / p).string()) << "RIFF"; }
    void installData() const { fs::create_directories(m_root / "usr" / "share" / "tandrel"); }

    fs::path m_root;
};

TEST_F(ProgramFoldersTest, BuildTreeKeepsEverythingNextToTheProgram)
{
    touch("build/app/MessagingModeAlert.wav");
    const ProgramFolders folders(dir("build/app"), dir("home"), "../share/tandrel");
    EXPECT_FALSE(folders.installed());
    EXPECT_EQ(folders.writableDirectory(), dir("build/app"));
    EXPECT_EQ(folders.shippedFile("MessagingModeAlert.wav"),
              dir("build/app") + "MessagingModeAlert.wav");
    // A missing shipped file still names the place the build tree would have it.
    EXPECT_EQ(folders.shippedFile("none.wav"), dir("build/app") + "none.wav");
}

TEST_F(ProgramFoldersTest, InstalledProgramWritesToTheUserFolderAndReadsItsData)
{
    installData();
    touch("usr/share/tandrel/MessagingModeAlert.wav");
    // The user folder comes without its separator, as the platform gives it.
    const ProgramFolders folders(dir("usr/bin"), (m_root / "home").string(), "../share/tandrel");
    EXPECT_TRUE(folders.installed());
    // usr/bin is writable here, as it is for root or a prefix in the home folder.
    EXPECT_EQ(folders.writableDirectory(), dir("home"));
    EXPECT_EQ(folders.shippedFile("MessagingModeAlert.wav"),
              fs::canonical(m_root / "usr/share/tandrel/MessagingModeAlert.wav").string());

    // A copy next to the program wins, so a developer can try a new sound in place.
    touch("usr/bin/MessagingModeAlert.wav");
    EXPECT_EQ(folders.shippedFile("MessagingModeAlert.wav"),
              dir("usr/bin") + "MessagingModeAlert.wav");
}

TEST_F(ProgramFoldersTest, WithoutAUserFolderTheProgramFolderStays)
{
    installData();
    const ProgramFolders folders(dir("usr/bin"), "", "../share/tandrel");
    EXPECT_TRUE(folders.installed());
    EXPECT_EQ(folders.writableDirectory(), dir("usr/bin"));
}

TEST_F(ProgramFoldersTest, ReadOnlyProgramFolderFallsBackToTheUserFolder)
{
    fs::permissions(m_root / "build" / "app", fs::perms::owner_read | fs::perms::owner_exec |
                                                  fs::perms::others_read | fs::perms::others_exec);
    EXPECT_TRUE(asUnprivileged([this] {
        const ProgramFolders folders(dir("build/app"), dir("home"), "../share/tandrel");
        return !folders.installed() && folders.writableDirectory() == dir("home");
    }));
}

} // namespace
