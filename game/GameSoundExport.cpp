// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/GameSoundExport.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <thread>

namespace fs = std::filesystem;

std::string GameSoundFileName(int n, const std::string& extension)
{
    char name[32];
    std::snprintf(name, sizeof name, "sound%03d", n);
    return name + ("." + extension);
}

std::string CGameSoundExport::Read(const CGameFolder& game)
{
    m_numbers.clear();
    m_resources.clear();
    m_damaged.clear();
    std::vector<GameSoundInfo> sounds;
    std::vector<GameBytes> resources;
    if (std::string error = game.ReadAllSounds(sounds, resources); !error.empty())
        return error;
    for (std::size_t i = 0; i < sounds.size(); ++i)
    {
        if (!sounds[i].damaged.empty())
        {
            m_damaged.push_back("sound " + std::to_string(sounds[i].number) +
                                ": damaged: " + sounds[i].damaged);
            continue;
        }
        m_numbers.push_back(sounds[i].number);
        m_resources.push_back(std::move(resources[i]));
    }
    return {};
}

std::string CGameSoundExport::Write(const std::string& outDir, const std::string& extension,
                                    const GameSoundWriter& writer, int nThreads,
                                    const GameExportProgress& progress,
                                    const std::atomic<bool>* pCancel)
{
    m_failed.clear();
    m_nWritten = 0;
    std::error_code ec;
    fs::create_directories(outDir, ec);
    if (ec || !fs::is_directory(outDir, ec))
        return "Cannot make the folder " + outDir + ": " +
               (ec ? ec.message() : std::string("a file has that name"));

    const int total = Count();
    std::vector<std::string> failures(m_numbers.size());
    std::atomic<int> next{0};
    std::mutex doneGuard;
    int done = 0;
    const auto work = [&]
    {
        for (int i = next++; i < total; i = next++)
        {
            if (pCancel != nullptr && pCancel->load())
                return;
            const std::size_t k = static_cast<std::size_t>(i);
            const std::string path =
                (fs::path(outDir) / GameSoundFileName(m_numbers[k], extension)).string();
            failures[k] = writer(m_numbers[k], m_resources[k], path);
            std::lock_guard lock(doneGuard);
            ++done;
            m_nWritten += failures[k].empty() ? 1 : 0;
            if (progress)
                progress(done, total);
        }
    };
    std::vector<std::thread> pool;
    for (int t = 1; t < std::clamp(nThreads, 1, std::max(total, 1)); ++t)
        pool.emplace_back(work);
    work();
    for (std::thread& thread : pool)
        thread.join();
    for (std::size_t k = 0; k < failures.size(); ++k)
        if (!failures[k].empty())
            m_failed.push_back("sound " + std::to_string(m_numbers[k]) + ": " + failures[k]);
    return {};
}
