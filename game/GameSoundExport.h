// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "game/GameFolder.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

// Writes one sound's resource to a file at path; "" or the reason it was not written.
using GameSoundWriter =
    std::function<std::string(int number, const GameBytes& resource, const std::string& path)>;
// Told after each sound how many of the total are done; called on the working threads, one
// call at a time.
using GameExportProgress = std::function<void(int done, int total)>;

// "sound007.wav": the name a game's sound n takes in an export of all its sounds.
std::string GameSoundFileName(int n, const std::string& extension);

// Every sound of a game written at once, one file per sound, on a pool of threads (one sound
// per task). Damaged sounds are skipped; so is a sound the writer refuses.
class CGameSoundExport
{
public:
    // Reads every sound of the game: "" or why the folder cannot be read, and then nothing
    // is to be written.
    std::string Read(const CGameFolder& game);
    // The sounds that will be written.
    int Count() const { return static_cast<int>(m_numbers.size()); }
    // "sound N: damaged: <reason>", one per damaged sound, in number order.
    const std::vector<std::string>& GetDamaged() const { return m_damaged; }

    // Writes the sounds read into outDir (made when missing) as sound<NNN>.<extension>. A set
    // cancel flag stops it after the sounds being written; the files written stay. Returns ""
    // or why outDir cannot be made; the sounds not written are in GetFailed().
    std::string Write(const std::string& outDir, const std::string& extension,
                      const GameSoundWriter& writer, int nThreads,
                      const GameExportProgress& progress = {},
                      const std::atomic<bool>* pCancel = nullptr);
    // "sound N: <reason>", one per sound the writer refused, in number order.
    const std::vector<std::string>& GetFailed() const { return m_failed; }
    int GetWritten() const { return m_nWritten; }

private:
    std::vector<int> m_numbers;
    std::vector<GameBytes> m_resources;
    std::vector<std::string> m_damaged;
    std::vector<std::string> m_failed;
    int m_nWritten = 0;
};
