// The window's events: command clicks, Cancel, the dialogs, drops, and the
// form's activate, show, close and resize.
#include <QAbstractButton>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QUrl>
#include <algorithm>
#include <stdexcept>

#include "app/dropped_files.h"
#include "app/settings.h"
#include "app/tf_main.h"
#include "app/window_identity.h"
#include "commands/cancel.h"
#include "commands/demux_command.h"
#include "commands/read_evo.h"
#include "commands/rebuild_command.h"
#include "playlist/read_xpl_command.h"
#include "commands/stream_selection.h"

namespace strandex {

void TfMain::runCommand(const std::function<void()>& command) {
    if (commandRunning_) return;
    commandRunning_ = true;
    applyButtonStates();
    try {
        command();
    } catch (const std::exception& e) {
        showError(QString::fromStdString(e.what()));
    }
    commandRunning_ = false;
    applyButtonStates();
    if (closeAfterRun_) {
        closeAfterRun_ = false;
        close();
    }
}

void TfMain::showError(const QString& message) {
    if (errorHook) return errorHook(message);
    QMessageBox::critical(this, kTaskBarName, message);
}

void TfMain::showNotice(const QString& message) {
    if (noticeHook) return noticeHook(message);
    QMessageBox::warning(this, kTaskBarName, message);
}

bool TfMain::ask(const QString& question) {
    if (confirmHook) return confirmHook(question);
    return QMessageBox::question(this, "Confirm", question, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void TfMain::bCheckClick() {
    runCommand([this] { strandex::bCheckClick(session_); });
}

void TfMain::bDemuxClick() {
    runCommand([this] { strandex::bDemuxClick(session_); });
}

void TfMain::bRebuildClick() {
    runCommand([this] { strandex::bRebuildClick(session_); });
}

void TfMain::bReadXPLClick() {
    runCommand([this] { strandex::bReadXPLClick(session_); });
}

void TfMain::bCancelClick() { strandex::bCancelClick(session_); }

void TfMain::cbVideoClick() { strandex::cbVideoClick(frontEnd_); }

// Returns the chosen path, or an empty text when the dialog was cancelled.
QString TfMain::runDialog(QFileDialog& dialog) {
    if (fileDialogHook) return fileDialogHook(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

// The edit takes what the dialog holds afterwards: the new choice, or the
// one before it when the dialog was cancelled.
void TfMain::bbEVOClick() {
    if (commandRunning_) return;
    odEVOfile->setDirectory(QString::fromStdString(dialogs_.evoStartFolder));
    QString chosen = runDialog(*odEVOfile);
    if (!chosen.isEmpty()) dialogs_.evoFileName = chosen.toStdString();
    frontEnd_.setText(Edit::eEVOfile, dialogs_.evoFileName);
    EVOadj(session_, dialogs_);
}

void TfMain::bbXPLClick() {
    if (commandRunning_) return;
    odXPL->setDirectory(QString::fromStdString(dialogs_.xplStartFolder));
    odXPL->selectFile(QString::fromStdString(dialogs_.xplFileName));
    QString chosen = runDialog(*odXPL);
    if (!chosen.isEmpty()) dialogs_.xplFileName = chosen.toStdString();
    frontEnd_.setText(Edit::eXPLfile, dialogs_.xplFileName);
    XPLadj(session_, dialogs_);
}

void TfMain::dropFile(const QString& path) {
    if (commandRunning_) return;  // no new source while a command reads the old one
    adoptDroppedFile(session_, dialogs_, path.toStdString());
}

// The cursor promises a drop only for a file the drop would take: the
// first one of the drag, a local .evo, .vob or .xpl in any case.
void TfMain::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!commandRunning_ && !urls.isEmpty() && urls.first().isLocalFile() &&
        takesDroppedFile(urls.first().toLocalFile()))
        event->acceptProposedAction();
}

void TfMain::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.first().isLocalFile()) dropFile(urls.first().toLocalFile());
    event->acceptProposedAction();
}

// Settings first, then the boxes; once, at start-up. A stored value of the
// wrong kind stops both, with the error shown.
void TfMain::FormActivate() {
    if (activated_) return;
    activated_ = true;
    try {
        RegRead();
    } catch (const SettingsError& e) {
        showError(QString::fromStdString(e.what()));
        return;
    }
    Resetcbs(frontEnd_);
}

void TfMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    FormActivate();
    if (!dropTargetRegistered_) {
        setAcceptDrops(true);
        dropTargetRegistered_ = true;
    }
}

void TfMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
    if (event->type() == QEvent::FontChange) {
        fitExtensionEdits();
        keepPanelTexts();
    }
}

// Closing during a run is Cancel first (which asks while the run writes);
// the window closes when the command has closed its files.
void TfMain::closeEvent(QCloseEvent* event) {
    if (commandRunning_) {
        event->ignore();
        if (strandex::bCancelClick(session_)) closeAfterRun_ = true;
        return;
    }
    RegWrite();
    event->accept();
}

// No status tip may replace the two panels; a change of the least size of
// the content (a font, a longer caption) sets the window's least size.
bool TfMain::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) return true;
    bool handled = QMainWindow::event(event);
    if (event->type() == QEvent::LayoutRequest) applyMinimumSize();
    return handled;
}

// The client's layout has placed the buttons when the client is resized or
// laid out again: the logo follows them.
bool TfMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == client_ && (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest))
        FormResize();
    return QMainWindow::eventFilter(watched, event);
}

void TfMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

// The window system may draw its frame only once the window is placed.
void TfMain::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    applyMinimumSize();
}

// The logo stays at 153 until the window is wider than 432, then centres;
// where larger fonts have widened the buttons beside it, it keeps clear of
// them. It sits on the middle of the bottom row.
void TfMain::FormResize() {
    int width = frameGeometry().width();
    int left = width <= 432 ? 153 : width / 2 - 63;
    const QRect rebuild = button(Button::bRebuild)->geometry();
    const QRect cancel = button(Button::bCancel)->geometry();
    left = std::min(left, cancel.left() - kLogoGap - imLogo->width());
    left = std::max(left, rebuild.right() + 1 + kLogoGap);
    imLogo->move(left, cancel.y() + (cancel.height() - imLogo->height() + 1) / 2);
}

}  // namespace strandex
