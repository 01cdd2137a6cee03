// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A folder the game folder fuzzers write their inputs into as game files.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

inline void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
}

// One folder for every input, removed when the run ends.
class CFuzzFolder
{
public:
    CFuzzFolder() : m_path((std::filesystem::temp_directory_path() / "tarvok-fuzz-XXXXXX").string())
    {
        if (::mkdtemp(m_path.data()) == nullptr)
            std::abort();
    }
    ~CFuzzFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

inline const std::string& FolderPath()
{
    static const CFuzzFolder folder;
    return folder.Path();
}
