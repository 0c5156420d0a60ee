// A session file may have been edited by hand or cut short, so any bytes must load, and what
// loaded must save and load back.
//
// The format has no escaping: a value holding a tag's text is read back differently, and
// MODEM is read but never written. The round trip is therefore checked only for values
// without a '<', which no tag can then be found in, and MODEM must come back at its default.
#include "SessionRecord.h"
#include "Utf8.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace {

void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

fs::path workFolder;

void removeWorkFolder()
{
    std::error_code ec;
    fs::remove_all(workFolder, ec);
}

// Saving syncs to disk; memory-backed storage keeps that from dominating the run.
const fs::path &folder()
{
    if (workFolder.empty()) {
        std::error_code ec;
        const fs::path base =
            fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
        std::string name = (base / "fuzz-session-XXXXXX").string();
        check(::mkdtemp(name.data()) != nullptr);
        workFolder = name;
        std::atexit(removeWorkFolder);
    }
    return workFolder;
}

void writeFile(const fs::path &path, const uint8_t *data, size_t size)
{
    std::FILE *f = std::fopen(path.c_str(), "wb");
    check(f != nullptr);
    check(size == 0 || std::fwrite(data, 1, size, f) == size);
    check(std::fclose(f) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Bytes that are not UTF-8 are read as Windows-1252 (files of older versions).
    const std::string input =
        tandrel::textFromFile(std::string_view(reinterpret_cast<const char *>(data), size));
    const std::string in = (folder() / "in.sms").string();
    const std::string out = (folder() / "out.sms").string();
    writeFile(in, data, size);

    SessionRecord loaded;
    check(loaded.LoadSession(in) == 0);
    bool plain = true;
    for (int i = 0; i < SessionRecord::TagCount; ++i) {
        const auto tag = static_cast<SessionTag>(i);
        const std::string &v = loaded.value(tag);
        // Every value comes from the file or is the default.
        check(v == SessionRecord::defaultValue(tag) || input.find(v) != std::string::npos);
        if (v.find('<') != std::string::npos)
            plain = false;
    }

    std::string error;
    check(loaded.SaveSession(out, &error));
    SessionRecord reloaded;
    check(reloaded.LoadSession(out) == 0);
    if (!plain)
        return 0;
    for (int i = 0; i < SessionRecord::TagCount; ++i) {
        const auto tag = static_cast<SessionTag>(i);
        if (tag == SessionTag::Modem)
            check(reloaded.value(tag) == SessionRecord::defaultValue(tag));
        else
            check(reloaded.value(tag) == loaded.value(tag));
    }
    return 0;
}
