// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QtUserInterface.h"

#include "resources/ResourceTables.h"

#include <QAbstractButton>
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

QMessageBox::Icon BoxIcon(MessageKind kind)
{
    switch (kind)
    {
    case MessageKind::Error:
        return QMessageBox::Critical;
    case MessageKind::Question:
        return QMessageBox::Question;
    case MessageKind::Warning:
        return QMessageBox::Warning;
    case MessageKind::Information:
        return QMessageBox::Information;
    case MessageKind::Plain:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons BoxButtons(Buttons buttons)
{
    switch (buttons)
    {
    case Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Buttons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

// The i-th button of the set, in the order the request names them.
QMessageBox::StandardButton OrderedButton(Buttons buttons, std::size_t i)
{
    switch (buttons)
    {
    case Buttons::OkCancel:
        return i == 0 ? QMessageBox::Ok : QMessageBox::Cancel;
    case Buttons::YesNo:
        return i == 0 ? QMessageBox::Yes : QMessageBox::No;
    case Buttons::YesNoCancel:
        return i == 0 ? QMessageBox::Yes : i == 1 ? QMessageBox::No : QMessageBox::Cancel;
    case Buttons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

Answer RunMessageBox(const MessageRequest& request, const QString& caption)
{
    QMessageBox box(BoxIcon(request.kind), caption, QString::fromStdString(request.text),
                    BoxButtons(request.buttons), DialogParent());
    for (std::size_t i = 0; i < request.buttonTexts.size(); ++i)
        if (QAbstractButton* pButton = box.button(OrderedButton(request.buttons, i)))
            pButton->setText(QString::fromStdString(request.buttonTexts[i]));
    if (request.defaultButton == DefaultButton::Second)
        box.setDefaultButton(request.buttons == Buttons::OkCancel ? QMessageBox::Cancel
                                                                  : QMessageBox::No);
    switch (box.exec())
    {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        // Escape or the window's close button.
        return CautiousAnswer(request.buttons);
    }
}
} // namespace

Answer CQtMessageSink::ShowMessage(const MessageRequest& request)
{
    const QString caption = QString::fromStdString(
        request.caption.empty() ? LoadResourceString(AFX_IDS_APP_TITLE) : request.caption);
    if (QThread::currentThread() != qApp->thread())
    {
        // Another thread (the play thread reporting its device) must not wait for the person:
        // the user-interface thread may itself be waiting for that thread to end.
        QMetaObject::invokeMethod(
            qApp, [request, caption] { RunMessageBox(request, caption); }, Qt::QueuedConnection);
        return CautiousAnswer(request.buttons);
    }
    return RunMessageBox(request, caption);
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
