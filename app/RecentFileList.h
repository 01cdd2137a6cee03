// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

class QSettings;

// The most recently opened or saved documents, newest first, kept in the settings under
// "Recent File List" as "File1" ... "FileN".
class CRecentFileList
{
public:
    CRecentFileList(const QString& strSection, const QString& strEntryFormat, int nSize);

    void ReadList(QSettings& settings);
    void WriteList(QSettings& settings) const;

    // Moves the path to the front, adding it when it is new; the oldest entry falls off.
    void Add(const QString& strPath);
    void Remove(int nIndex);

    const QStringList& GetEntries() const { return m_entries; }
    // The menu text of an entry: "&1 name", with the folder left out when it is the
    // current one and ampersands doubled.
    QString GetDisplayName(int nIndex) const;

private:
    QString m_strSection;
    QString m_strEntryFormat;
    int m_nSize;
    QStringList m_entries;
};
