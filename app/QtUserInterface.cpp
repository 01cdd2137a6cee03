// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QtUserInterface.h"

#include "resources/ResourceTables.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QThread>

namespace
{
QWidget* DialogParent()
{
    if (QWidget* pModal = QApplication::activeModalWidget())
        return pModal;
    if (QWidget* pActive = QApplication::activeWindow())
        return pActive;
    for (QWidget* pWidget : QApplication::topLevelWidgets())
        if (pWidget->objectName() == QLatin1String("MainFrame"))
            return pWidget;
    return nullptr;
}

QMessageBox::Icon BoxIcon(unsigned nType)
{
    switch (nType & MB_ICONMASK)
    {
    case MB_ICONSTOP:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

QMessageBox::StandardButtons BoxButtons(unsigned nType)
{
    switch (nType & MB_TYPEMASK)
    {
    case MB_OKCANCEL:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MB_YESNOCANCEL:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MB_YESNO:
        return QMessageBox::Yes | QMessageBox::No;
    default:
        return QMessageBox::Ok;
    }
}

// The answer when nobody could be asked: the cautious one.
int UnansweredResult(unsigned nType)
{
    switch (nType & MB_TYPEMASK)
    {
    case MB_OKCANCEL:
    case MB_YESNOCANCEL:
        return IDCANCEL;
    case MB_YESNO:
        return IDNO;
    default:
        return IDOK;
    }
}

int RunMessageBox(const QString& text, unsigned nType, const QString& caption)
{
    QMessageBox box(BoxIcon(nType), caption, text, BoxButtons(nType), DialogParent());
    if ((nType & MB_DEFMASK) == MB_DEFBUTTON2)
        box.setDefaultButton((nType & MB_TYPEMASK) == MB_OKCANCEL ? QMessageBox::Cancel
                                                                  : QMessageBox::No);
    switch (box.exec())
    {
    case QMessageBox::Ok:
        return IDOK;
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    default:
        return (nType & MB_TYPEMASK) == MB_OK ? IDOK : IDCANCEL;
    }
}
} // namespace

int CQtMessageSink::ShowMessage(const std::string& text, unsigned nType, const std::string& caption)
{
    const QString strText = QString::fromStdString(text);
    const QString strCaption =
        QString::fromStdString(caption.empty() ? LoadResourceString(AFX_IDS_APP_TITLE) : caption);
    if (QThread::currentThread() != qApp->thread())
    {
        // Another thread (the play thread reporting its device) must not wait for the person:
        // the user-interface thread may itself be waiting for that thread to end.
        QMetaObject::invokeMethod(
            qApp, [strText, nType, strCaption] { RunMessageBox(strText, nType, strCaption); },
            Qt::QueuedConnection);
        return UnansweredResult(nType);
    }
    return RunMessageBox(strText, nType, strCaption);
}

QStringList TranslateFileFilter(const std::string& strFilter)
{
    const QStringList parts = QString::fromStdString(strFilter).split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2)
    {
        if (parts[i].isEmpty())
            break;
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns)
            if (pattern.trimmed() == QLatin1String("*.*"))
                pattern = QStringLiteral("*");
        QString name = parts[i];
        const qsizetype open = name.lastIndexOf(QLatin1Char('('));
        if (open >= 0)
            name = name.left(open).trimmed();
        filters.append(QStringLiteral("%1 (%2)").arg(name, patterns.join(QLatin1Char(' '))));
    }
    return filters;
}

bool CQtFileNameSource::AskFileName(const FileDialogRequest& request, std::string& path)
{
    QFileDialog dialog(DialogParent());
    if (!request.strTitle.empty())
        dialog.setWindowTitle(QString::fromStdString(request.strTitle));
    dialog.setAcceptMode(request.bOpen ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(request.bOpen && request.bFileMustExist ? QFileDialog::ExistingFile
                                                               : QFileDialog::AnyFile);
    if (request.bFolder)
    {
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
    }
    const QStringList filters = TranslateFileFilter(request.strFilter);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    QString suffix = QString::fromStdString(request.strDefaultExt);
    if (suffix.startsWith(QLatin1Char('.')))
        suffix.remove(0, 1);
    if (!suffix.isEmpty())
        dialog.setDefaultSuffix(suffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.bOverwritePrompt);
    if (!request.strFileName.empty())
    {
        const QFileInfo initial(PathToQString(request.strFileName));
        if (initial.isAbsolute())
            dialog.setDirectory(initial.absolutePath());
        dialog.selectFile(initial.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    path = QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString();
    return !path.empty();
}

QString PathToQString(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string QStringToPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}
