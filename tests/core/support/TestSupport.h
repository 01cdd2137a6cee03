// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "framework/UserInterface.h"

#include <cstdint>
#include <string>
#include <vector>

// Records every message the core shows, answering with a preset answer.
class CRecordingMessages : public IMessageSink
{
public:
    CRecordingMessages() { SetMessageSink(this); }
    ~CRecordingMessages() override { SetMessageSink(nullptr); }
    int ShowMessage(const std::string& text, unsigned nType, const std::string&) override
    {
        m_texts.push_back(text);
        m_types.push_back(nType);
        return m_nAnswer;
    }
    std::vector<std::string> m_texts;
    std::vector<unsigned> m_types;
    int m_nAnswer = IDOK;
};

// Answers file choosers with a preset path (or cancels when it is empty).
class CScriptedFileNames : public IFileNameSource
{
public:
    CScriptedFileNames() { SetFileNameSource(this); }
    ~CScriptedFileNames() override { SetFileNameSource(nullptr); }
    bool AskFileName(const FileDialogRequest& request, std::string& path) override
    {
        m_requests.push_back(request);
        if (m_strAnswer.empty())
            return false;
        path = m_strAnswer;
        return true;
    }
    std::vector<FileDialogRequest> m_requests;
    std::string m_strAnswer;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
// A fresh empty folder under the system's temporary folder, removed at exit.
std::string MakeTempDir();
// Hex dump "10 00 00 00 03 ..." of bytes, for readable failures.
std::string Hex(const std::string& bytes);
std::string Le32(std::uint32_t value);

struct ConvertResult
{
    int exitCode = -1;
    std::string out; // stdout and stderr together
};
// Runs tarvok-convert with a command line the shell splits at blanks.
ConvertResult RunConvert(const std::string& args);
