// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "framework/Object.h"
#include "framework/Result.h"

#include <string>
#include <vector>

class CArchive;
class CFile;
class CDocument;

// A view of a document: told about changes through OnUpdate.
class IDocumentView
{
public:
    virtual ~IDocumentView() = default;
    // pSender is the view that made the change, or null.
    virtual void OnUpdate(IDocumentView* pSender) = 0;
};

// Document base: title, path, modified flag, registered views, and the open/save/close
// steps around Serialize.
class CDocument : public CObject
{
public:
    CDocument() = default;
    ~CDocument() override = default;
    CDocument(const CDocument&) = delete;
    CDocument& operator=(const CDocument&) = delete;

    const std::string& GetTitle() const { return m_strTitle; }
    void SetTitle(const std::string& title) { m_strTitle = title; }
    const std::string& GetPathName() const { return m_strPathName; }
    // Also sets the title to the file's name.
    void SetPathName(const std::string& path);

    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool bModified = true) { m_bModified = bModified; }

    void AddView(IDocumentView* pView);
    void RemoveView(IDocumentView* pView);
    const std::vector<IDocumentView*>& GetViews() const { return m_views; }
    void UpdateAllViews(IDocumentView* pSender);

    virtual bool OnNewDocument();
    // Loads the file through Serialize. A failure leaves the contents deleted and carries the
    // message for the person.
    virtual Status OnOpenDocument(const std::string& path);
    // Stores through Serialize, replacing the file atomically.
    virtual Status OnSaveDocument(const std::string& path);
    virtual void OnCloseDocument();
    virtual void DeleteContents() {}
    virtual void Serialize(CArchive& ar) = 0;

    // Bytes as Serialize stores them (also what OnSaveDocument writes).
    std::string SaveToBytes();
    // Loads from bytes as OnOpenDocument would.
    Status LoadFromBytes(const std::string& bytes);
    // The same from a file read in place.
    Status LoadFromFile(CFile& file);

private:
    std::string m_strTitle;
    std::string m_strPathName;
    bool m_bModified = false;
    std::vector<IDocumentView*> m_views;
};

