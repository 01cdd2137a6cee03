// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLockFile>
#include <QString>

#include <map>
#include <memory>
#include <string>
#include <vector>

class CSoundDoc;
struct GameOrigin;

// A document's unsaved state as it was last written to the recovery folder.
struct RecoveredSound
{
    QString dataFile;
    std::string path; // empty for a document never saved
    std::string title;
    std::string gameFolder;
    int gameSound = -1;
};

// Copies of the modified documents of this running program, kept where the next start finds
// them should the program end without closing them. Each program keeps its copies in a
// folder of its own under a lock, so that a second program never takes a running one's.
class CRecoveryStore
{
public:
    // root: the folder holding every program's copies; empty for DefaultRoot() as it is when
    // the store is first used (the application's name is set by then).
    explicit CRecoveryStore(QString root = {});
    // Leaves the copies in place, as an abnormal end would: only Close() removes them.
    ~CRecoveryStore();
    CRecoveryStore(const CRecoveryStore&) = delete;
    CRecoveryStore& operator=(const CRecoveryStore&) = delete;

    static QString DefaultRoot();

    // Takes this program's folder; false when it cannot be made (copies are then not kept).
    bool Open();
    // A clean exit: this program's copies and folder go.
    void Close();

    // Writes the document's copy, with where in a game it belongs, unless it is already up
    // to date.
    bool Write(CSoundDoc* pDoc, const GameOrigin& origin);
    // The document was saved or closed: its copy goes.
    void Forget(const CSoundDoc* pDoc);
    bool HasCopy(const CSoundDoc* pDoc) const { return m_copies.count(pDoc) != 0; }

    // Copies left by programs that are no longer running, oldest first. Their folders stay
    // locked by this program until ReleaseOrphans.
    std::vector<RecoveredSound> ClaimOrphans();
    // bDiscard removes the claimed copies; otherwise they stay for a later start.
    void ReleaseOrphans(bool bDiscard);
    // The document bytes of a copy; empty when it cannot be read.
    static std::string ReadData(const RecoveredSound& sound);

private:
    struct Copy
    {
        QString stem;
        std::size_t hash = 0;
        qint64 size = -1;
    };
    struct ClaimedFolder
    {
        QString folder;
        std::unique_ptr<QLockFile> lock;
    };

    const QString& Root();
    QString SessionFolder() const;
    static std::vector<RecoveredSound> ReadFolder(const QString& folder);

    QString m_root;
    QString m_session;
    std::unique_ptr<QLockFile> m_lock;
    std::map<const CSoundDoc*, Copy> m_copies;
    int m_nNextStem = 1;
    std::vector<ClaimedFolder> m_claimed;
};
