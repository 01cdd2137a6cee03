#include "support/TestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

namespace
{
struct TempDirs
{
    std::vector<std::string> paths;
    ~TempDirs()
    {
        for (const auto& p : paths)
        {
            std::error_code ec;
            std::filesystem::remove_all(p, ec);
        }
    }
};
TempDirs g_tempDirs;
} // namespace

std::string MakeTempDir()
{
    std::string tmpl = (std::filesystem::temp_directory_path() / "tarvok-test-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary folder");
    g_tempDirs.paths.push_back(tmpl);
    return tmpl;
}

std::string SampleSoundPath(const std::string& name)
{
    return std::string(TARVOK_SOUNDS_DIR) + "/" + name;
}

std::string Hex(const std::string& bytes)
{
    std::string out;
    char buf[4];
    for (std::size_t i = 0; i < bytes.size(); ++i)
    {
        std::snprintf(buf, sizeof buf, "%02X", static_cast<unsigned char>(bytes[i]));
        if (i > 0)
            out += ' ';
        out += buf;
    }
    return out;
}
