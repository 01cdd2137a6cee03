// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RecoveryStore.h"

#include "session/SoundSession.h"

#include "sound/SoundDoc.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <exception>

namespace
{
const char* const kDataSuffix = ".tks";
const char* const kInfoSuffix = ".json";
const char* const kLockSuffix = ".lock";

// Paths and titles are bytes; percent-encoding keeps every one of them exactly.
QString EncodeBytes(const std::string& bytes)
{
    return QString::fromLatin1(QByteArray::fromStdString(bytes).toPercentEncoding("/ "));
}

std::string DecodeBytes(const QJsonValue& value)
{
    return QByteArray::fromPercentEncoding(value.toString().toLatin1()).toStdString();
}

QByteArray InfoOf(const CSoundDoc& doc, const GameOrigin& origin)
{
    QJsonObject info;
    info[QStringLiteral("path")] = EncodeBytes(doc.GetPathName());
    info[QStringLiteral("title")] = EncodeBytes(doc.GetTitle());
    info[QStringLiteral("gameFolder")] = EncodeBytes(origin.folder);
    info[QStringLiteral("gameSound")] = origin.sound;
    return QJsonDocument(info).toJson();
}

bool WriteWhole(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

// A lock nobody else holds; null when a running program has it.
std::unique_ptr<QLockFile> TakeLock(const QString& path)
{
    auto pLock = std::make_unique<QLockFile>(path);
    // Never stale by age: a program may run for weeks. A dead owner is still recognised.
    pLock->setStaleLockTime(0);
    return pLock->tryLock(0) ? std::move(pLock) : nullptr;
}
} // namespace

CRecoveryStore::CRecoveryStore(QString root) : m_root(std::move(root)) {}

CRecoveryStore::~CRecoveryStore()
{
    ReleaseOrphans(false);
}

QString CRecoveryStore::DefaultRoot()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    return data.isEmpty() ? QString() : data + QStringLiteral("/recovery");
}

const QString& CRecoveryStore::Root()
{
    if (m_root.isEmpty())
        m_root = DefaultRoot();
    return m_root;
}

QString CRecoveryStore::SessionFolder() const
{
    return m_root + QLatin1Char('/') + m_session;
}

bool CRecoveryStore::Open()
{
    if (m_lock != nullptr)
        return true;
    if (Root().isEmpty() || !QDir().mkpath(Root()))
        return false;
    // Names sort in the order the programs started, so older copies are offered first.
    m_session = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddhhmmsszzz")) +
                QLatin1Char('-') + QString::number(QCoreApplication::applicationPid()) +
                // Tells apart the stores one process has open at once.
                QLatin1Char('-') + QString::number(reinterpret_cast<quintptr>(this), 16);
    m_lock = TakeLock(SessionFolder() + QLatin1String(kLockSuffix));
    if (m_lock == nullptr || !QDir().mkpath(SessionFolder()))
    {
        m_lock.reset();
        return false;
    }
    return true;
}

void CRecoveryStore::Close()
{
    if (m_lock == nullptr)
        return;
    QDir(SessionFolder()).removeRecursively();
    m_copies.clear();
    m_lock.reset();
}

bool CRecoveryStore::Write(CSoundDoc* pDoc, const GameOrigin& origin)
{
    if (m_lock == nullptr)
        return false;
    std::string data;
    try
    {
        data = pDoc->SaveToBytes();
    }
    catch (const std::exception&)
    {
        return false;
    }
    const QByteArray info = InfoOf(*pDoc, origin);
    const std::size_t hash =
        qHash(QByteArrayView(data.data(), qsizetype(data.size()))) ^ (qHash(info) << 1);
    Copy& copy = m_copies[pDoc];
    if (copy.stem.isEmpty())
        copy.stem = SessionFolder() + QLatin1Char('/') + QString::number(m_nNextStem++);
    else if (copy.hash == hash && copy.size == qint64(data.size()))
        return true;
    // The description comes last: a copy without one is incomplete and never offered.
    QFile::remove(copy.stem + QLatin1String(kInfoSuffix));
    if (!WriteWhole(copy.stem + QLatin1String(kDataSuffix), QByteArray::fromStdString(data)) ||
        !WriteWhole(copy.stem + QLatin1String(kInfoSuffix), info))
    {
        copy.size = -1;
        return false;
    }
    copy.hash = hash;
    copy.size = qint64(data.size());
    return true;
}

void CRecoveryStore::Forget(const CSoundDoc* pDoc)
{
    const auto it = m_copies.find(pDoc);
    if (it == m_copies.end())
        return;
    QFile::remove(it->second.stem + QLatin1String(kInfoSuffix));
    QFile::remove(it->second.stem + QLatin1String(kDataSuffix));
    m_copies.erase(it);
}

std::vector<RecoveredSound> CRecoveryStore::ReadFolder(const QString& folder)
{
    const QDir dir(folder);
    QStringList infos = dir.entryList({QStringLiteral("*.json")}, QDir::Files);
    std::sort(infos.begin(), infos.end(),
              [](const QString& a, const QString& b)
              { return QStringView(a).chopped(5).toInt() < QStringView(b).chopped(5).toInt(); });
    std::vector<RecoveredSound> sounds;
    for (const QString& name : infos)
    {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QJsonObject info = QJsonDocument::fromJson(file.readAll()).object();
        RecoveredSound sound;
        sound.dataFile = dir.filePath(name.chopped(5) + QLatin1String(kDataSuffix));
        sound.path = DecodeBytes(info[QStringLiteral("path")]);
        sound.title = DecodeBytes(info[QStringLiteral("title")]);
        sound.gameFolder = DecodeBytes(info[QStringLiteral("gameFolder")]);
        sound.gameSound = info[QStringLiteral("gameSound")].toInt(-1);
        if (QFile::exists(sound.dataFile))
            sounds.push_back(std::move(sound));
    }
    return sounds;
}

std::vector<RecoveredSound> CRecoveryStore::ClaimOrphans()
{
    std::vector<RecoveredSound> sounds;
    const QDir root(Root());
    if (Root().isEmpty() || !root.exists())
        return sounds;
    for (const QString& name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
    {
        if (name == m_session)
            continue;
        const QString folder = root.filePath(name);
        // A running program holds its lock; a program that died left it stale or none at all.
        std::unique_ptr<QLockFile> pLock = TakeLock(folder + QLatin1String(kLockSuffix));
        if (pLock == nullptr)
            continue;
        std::vector<RecoveredSound> found = ReadFolder(folder);
        std::move(found.begin(), found.end(), std::back_inserter(sounds));
        m_claimed.push_back({folder, std::move(pLock)});
    }
    return sounds;
}

void CRecoveryStore::ReleaseOrphans(bool bDiscard)
{
    for (ClaimedFolder& claimed : m_claimed)
        if (bDiscard)
            QDir(claimed.folder).removeRecursively();
    // Unlocking removes the lock file; a kept folder stays an orphan for the next start.
    m_claimed.clear();
}

std::string CRecoveryStore::ReadData(const RecoveredSound& sound)
{
    QFile file(sound.dataFile);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}
