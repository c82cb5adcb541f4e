#include "dialogs.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace platform {

void SystemDialogs::showMessage(QWidget *parent, const QString &text, MessageStyle style,
                                const QString &title)
{
    auto *box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    box->setWindowTitle(title.isEmpty() ? QCoreApplication::applicationName() : title);
    box->setIcon(style == MessageStyle::Information ? QMessageBox::Information
                                                    : QMessageBox::NoIcon);
    box->setTextFormat(Qt::PlainText);
    // A lone carriage return ends a line in a message box.
    box->setText(QString(text).replace(QLatin1Char('\r'), QLatin1Char('\n')));
    box->setStandardButtons(QMessageBox::Ok);
    box->show();
}

void SystemDialogs::askSaveFileName(QWidget *parent, const SaveFileRequest &request,
                                    std::function<void(const QString &path)> chosen)
{
    auto *dialog = new QFileDialog(parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    // Show the filter by its display text alone; no extension is added to
    // what the user types, and replacing a file is confirmed first (the
    // dialog's default).
    dialog->setOption(QFileDialog::HideNameFilterDetails);
    dialog->setNameFilter(request.filterText + QStringLiteral(" (") + request.pattern
                          + QLatin1Char(')'));
    dialog->setDirectory(request.folder);
    dialog->selectFile(request.fileName);

    QObject::connect(dialog, &QDialog::accepted, dialog,
                     [dialog, chosen] { chosen(dialog->selectedFiles().value(0)); });
    QObject::connect(dialog, &QDialog::rejected, dialog, [chosen] { chosen(QString()); });
    dialog->open();
}

} // namespace platform
