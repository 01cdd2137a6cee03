// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RecentFileList.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

CRecentFileList::CRecentFileList(const QString& strSection, const QString& strEntryFormat,
                                 int nSize)
    : m_strSection(strSection), m_strEntryFormat(strEntryFormat), m_nSize(nSize)
{
}

void CRecentFileList::ReadList(QSettings& settings)
{
    m_entries.clear();
    settings.beginGroup(m_strSection);
    for (int i = 1; i <= m_nSize; ++i)
    {
        const QString path = settings.value(m_strEntryFormat.arg(i)).toString();
        if (!path.isEmpty() && !m_entries.contains(path))
            m_entries.append(path);
    }
    settings.endGroup();
}

void CRecentFileList::WriteList(QSettings& settings) const
{
    settings.beginGroup(m_strSection);
    for (int i = 1; i <= m_nSize; ++i)
    {
        const QString key = m_strEntryFormat.arg(i);
        if (i <= m_entries.size())
            settings.setValue(key, m_entries[i - 1]);
        else
            settings.remove(key);
    }
    settings.endGroup();
}

void CRecentFileList::Add(const QString& strPath)
{
    const QString path = QFileInfo(strPath).absoluteFilePath();
    m_entries.removeAll(path);
    m_entries.prepend(path);
    while (m_entries.size() > m_nSize)
        m_entries.removeLast();
}

void CRecentFileList::Remove(int nIndex)
{
    if (nIndex >= 0 && nIndex < m_entries.size())
        m_entries.removeAt(nIndex);
}

QString CRecentFileList::GetDisplayName(int nIndex) const
{
    if (nIndex < 0 || nIndex >= m_entries.size())
        return {};
    const QFileInfo info(m_entries[nIndex]);
    QString name = info.absolutePath() == QDir::currentPath()
                       ? info.fileName()
                       : QDir::toNativeSeparators(info.filePath());
    name.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(nIndex + 1).arg(name);
}
