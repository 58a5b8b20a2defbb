// The main window: builds the controls and forwards clicks to the commands
// of the core, which reach its controls through WindowFrontEnd.
#pragma once
#include <QMainWindow>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "app/window_front_end.h"
#include "commands/source_selection.h"
#include "engine/session.h"

class QAbstractButton;
class QCheckBox;
class QFileDialog;
class QGroupBox;
class QLabel;
class QLayout;
class QLineEdit;
class QPlainTextEdit;
class QSettings;
class QSplitter;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace strandex {

// A status panel's width: the first panel is exactly that wide, the last
// one at least (it fills the bar). Kept in the property "panelWidth".
void setPanelWidth(QLabel* panel, int width);

class TfMain : public QMainWindow {
    Q_OBJECT
    friend class WindowFrontEnd;

public:
    explicit TfMain(QWidget* parent = nullptr);
    ~TfMain() override;

    // Commands, as their buttons start them.
    void bCheckClick();
    void bDemuxClick();
    void bReadXPLClick();
    void bRebuildClick();
    void bCancelClick();
    void bbEVOClick();
    void bbXPLClick();
    void cbVideoClick();
    // A file dropped on the window (the first one of a drop).
    void dropFile(const QString& path);

    // Settings in the per-user store, or in the store a test hands over.
    void RegRead();
    void RegWrite();
    void useSettings(QSettings* store);

    void FormActivate();
    void FormResize();

    Session& session() { return session_; }
    FrontEnd& frontEnd() { return frontEnd_; }
    QCheckBox* box(Box b) const { return boxes_[static_cast<std::size_t>(boxIndex(b))]; }
    QAbstractButton* button(Button b) const { return buttons_[static_cast<std::size_t>(b)]; }
    QLineEdit* edit(Edit e) const { return edits_[static_cast<std::size_t>(e)]; }
    QLabel* panel(int index) const { return panels_[static_cast<std::size_t>(index)]; }
    QTabWidget* pages() const { return PageControl; }
    QPlainTextEdit* memo() const { return mMessage; }
    QPlainTextEdit* xplMemo() const { return mXPL; }
    QTreeWidget* tree() const { return tvXPL; }
    QLabel* logo() const { return imLogo; }
    QFileDialog* sourceDialog() const { return odEVOfile; }
    QFileDialog* playlistDialog() const { return odXPL; }
    bool commandRunning() const { return commandRunning_; }

    // Hooks for tests: the answer to a question, the error box, the notice
    // box, and the path a dialog returns. Unset, the real dialogs show.
    std::function<bool(const QString&)> confirmHook;
    std::function<void(const QString&)> errorHook;
    std::function<void(const QString&)> noticeHook;
    std::function<QString(QFileDialog&)> fileDialogHook;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    static constexpr int kLogoGap = 6;  // the least room beside the logo

    QLayout* buildTopRows(QWidget* client);
    void buildPages(QWidget* client);
    void buildStreamPage(QWidget* page, Box first, Box end);
    void buildXplPage(QWidget* page);
    void buildOptionsPage(QWidget* page);
    QGroupBox* buildFileGroup(QWidget* page);
    QLayout* buildBottomRow(QWidget* client);
    void buildStatusBar();
    void buildDialogs();
    void applyMinimumSize();
    void fitExtensionEdits();
    void keepPanelTexts();
    void applyTreeWidth();
    void applyButtonStates();
    // Runs a command with the other commands locked, showing the error box
    // for what the command does not catch.
    void runCommand(const std::function<void()>& command);
    void showError(const QString& message);
    void showNotice(const QString& message);
    bool ask(const QString& question);
    QString runDialog(QFileDialog& dialog);

    WindowFrontEnd frontEnd_{*this};
    Session session_{frontEnd_};
    DialogPresets dialogs_;
    std::unique_ptr<QSettings> ownSettings_;
    QSettings* settings_ = nullptr;
    bool activated_ = false;
    bool dropTargetRegistered_ = false;
    bool commandRunning_ = false;
    bool closeAfterRun_ = false;
    int loggedLines_ = 0;
    // The tree's width: as loaded or as the user set it with the splitter; the
    // splitter itself has no true width until the XPL page has been shown.
    int treeWidth_ = 96;
    bool xplPageShown_ = false;

    std::array<bool, kButtonCount> buttonEnabled_{};
    std::array<QAbstractButton*, kButtonCount> buttons_{};
    std::array<QCheckBox*, kBoxCount> boxes_{};
    std::array<QLineEdit*, kEditCount> edits_{};
    std::array<QLabel*, 2> panels_{};
    std::vector<QTreeWidgetItem*> treeItems_;

    QWidget* client_ = nullptr;
    QTabWidget* PageControl = nullptr;
    QPlainTextEdit* mMessage = nullptr;
    QTreeWidget* tvXPL = nullptr;
    QSplitter* splXPL = nullptr;
    QPlainTextEdit* mXPL = nullptr;
    QGroupBox* gbFile = nullptr;
    QLabel* imLogo = nullptr;
    QFileDialog* odEVOfile = nullptr;
    QFileDialog* odXPL = nullptr;
};

}  // namespace strandex
