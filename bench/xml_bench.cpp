// SPDX-License-Identifier: GPL-3.0-or-later
// A document-sized tree: 4 channels x 64 patterns x 1024 rows, every row an element with four
// attributes (about 16 MB of text), written to text and read back.
#include "framework/Archive.h"
#include "framework/MemFile.h"
#include "xml/XMLElement.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace
{
std::unique_ptr<CXMLElement> BuildTree()
{
    static const char* const kNotes[] = {"C-4", "D#5", "off", "A-3", "G#7", "B-0"};
    auto pSound = std::make_unique<CXMLElement>("sound");
    CXMLElement* pSettings = pSound->AddChild("settings");
    pSettings->AddAttribute("tracksperbeat", 4);
    pSettings->AddAttribute("beatsperminute", 120);
    for (int nChannel = 0; nChannel < 4; ++nChannel)
    {
        CXMLElement* pMachine = pSound->AddChild("machine");
        pMachine->AddAttribute("index", nChannel);
        for (int nPattern = 0; nPattern < 64; ++nPattern)
        {
            CXMLElement* pPattern = pMachine->AddChild("pattern");
            pPattern->AddAttribute("name", ("Intro bass " + std::to_string(nPattern)).c_str());
            pPattern->AddAttribute("rows", 1024);
            for (int nRow = 0; nRow < 1024; ++nRow)
            {
                CXMLElement* pRow = pPattern->AddChild("row");
                pRow->AddAttribute("index", nRow);
                pRow->AddAttribute("note", kNotes[(nRow + nPattern) % 6]);
                pRow->AddAttribute("noise", (nRow * 7) % 4);
                pRow->AddAttribute("attenuation", (nRow + nChannel) % 16);
            }
        }
    }
    return pSound;
}

std::string WriteTree(CXMLElement& element)
{
    CMemFile file(1 << 20);
    CArchive ar(&file, CArchive::store);
    element.Serialize(ar);
    ar.Flush();
    return file.Detach();
}

const std::string& DocumentText()
{
    static const std::string text = WriteTree(*BuildTree());
    return text;
}

void BM_XMLBuildTree(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(BuildTree());
}
BENCHMARK(BM_XMLBuildTree)->Unit(benchmark::kMillisecond);

void BM_XMLWrite(benchmark::State& state)
{
    const auto pTree = BuildTree();
    std::size_t nBytes = 0;
    for (auto _ : state)
    {
        const std::string text = WriteTree(*pTree);
        nBytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * nBytes));
    state.counters["bytes"] = static_cast<double>(nBytes);
}
BENCHMARK(BM_XMLWrite)->Unit(benchmark::kMillisecond);

// Reading includes freeing the tree, as a document load that replaces its tree would.
void BM_XMLRead(benchmark::State& state)
{
    const std::string& text = DocumentText();
    CMemFile file(text.data(), text.size());
    for (auto _ : state)
    {
        CXMLElement root;
        file.SeekToBegin();
        CArchive ar(&file, CArchive::load);
        root.Serialize(ar);
        benchmark::DoNotOptimize(root.GetChildCount());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_XMLRead)->Unit(benchmark::kMillisecond);
} // namespace
