// The window's controls: names, captions, hints, initial states, and the
// layouts that keep their designed arrangement at any font and scale.
#include "app/tf_main.h"

#include <QFileDialog>
#include <QFont>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/logo.h"
#include "app/window_identity.h"
#include "app/window_widgets.h"

namespace strandex {

namespace {

// The design, in pixels at the font it was drawn with: the client area
// (status bar included) and the least outer size, whose difference is the
// frame the design was drawn in.
constexpr QSize kClientSize{362, 346};
constexpr QSize kLeastOuterSize{370, 380};
constexpr QSize kDesignFrame = kLeastOuterSize - kClientSize;
constexpr int kStatusHeight = 21;
constexpr QSize kButtonSize{60, 25};
constexpr QSize kBrowseSize{25, 25};
constexpr QSize kLogoSize{125, 31};
// Client margins and gaps: top rows at 6 and 38, pages at 69, the bottom
// row 6 pixels under the pages and 6 above the status bar; the logo reaches
// 2 pixels above and 4 below that row.
constexpr int kSide = 8;
constexpr int kTop = 6;
constexpr int kBottom = 6;
constexpr int kEditToBrowse = 5;
constexpr int kBrowseToButton = 7;
constexpr int kRowGap = 7;
constexpr int kTopToPages = 6;
constexpr int kPagesToBottom = 6;
constexpr int kButtonGap = 6;

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, const QString& hint) {
    auto* b = named(new QPushButton(caption, parent), name, caption);
    b->setToolTip(hint);
    // As high as its row (25 pixels at least), never lower than its hint.
    b->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
    return b;
}

QToolButton* makeBrowseButton(QWidget* parent, const char* name, const QString& hint) {
    auto* b = named(new QToolButton(parent), name, hint);
    b->setIcon(parent->style()->standardIcon(QStyle::SP_DirOpenIcon));
    b->setToolTip(hint);
    b->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);  // fills its 25 x 25 cell
    return b;
}

}  // namespace

TfMain::TfMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName("fMain");
    setWindowTitle(mainWindowTitle());
    client_ = new QWidget(this);
    setCentralWidget(client_);
    auto* column = new QVBoxLayout(client_);
    column->setContentsMargins(kSide, kTop, kSide, kBottom);
    column->setSpacing(0);
    column->addLayout(buildTopRows(client_));
    column->addSpacing(kTopToPages);
    buildPages(client_);
    column->addWidget(PageControl, 1);
    column->addSpacing(kPagesToBottom);
    column->addLayout(buildBottomRow(client_));
    buildStatusBar();
    keepPanelTexts();  // the designed start widths were drawn for a smaller font
    buildDialogs();
    buttonEnabled_[static_cast<std::size_t>(Button::bRebuild)] = true;
    buttonEnabled_[static_cast<std::size_t>(Button::bbEVO)] = true;
    buttonEnabled_[static_cast<std::size_t>(Button::bbXPL)] = true;
    applyButtonStates();
    applyMinimumSize();
    resize(kClientSize.expandedTo(minimumSize()));
    client_->installEventFilter(this);  // the logo follows the bottom row from now on
}

TfMain::~TfMain() = default;

// Source and playlist rows: the edits stretch, the buttons keep to the right.
QLayout* TfMain::buildTopRows(QWidget* client) {
    auto* eEVOfile = makeEdit(client, "eEVOfile", "Source file");
    eEVOfile->setReadOnly(true);
    // The first part of the hint "Drop here the source EVO file|You cannot
    // write here directly" is the tool tip; there is no status tip, which
    // would cover the status panels while the mouse is over the edit.
    eEVOfile->setToolTip("Drop here the source EVO file");
    auto* eXPLfile = makeEdit(client, "eXPLfile", "Playlist file");
    eXPLfile->setReadOnly(true);
    eXPLfile->setToolTip("Drop here the VPLST000.XPL");
    edits_[static_cast<std::size_t>(Edit::eEVOfile)] = eEVOfile;
    edits_[static_cast<std::size_t>(Edit::eXPLfile)] = eXPLfile;

    auto* bbEVO = makeBrowseButton(client, "bbEVO", "Browse an EVO file");
    auto* bbXPL = makeBrowseButton(client, "bbXPL", "Browse the HD DVD disc's VPLST000.XPL");
    auto* bCheck = makeButton(client, "bCheck", "Read EVO", "Read the source EVO file to detect streams");
    auto* bReadXPL = makeButton(client, "bReadXPL", "Read XPL", "Read the XPL file to detect stream infos");
    buttons_[static_cast<std::size_t>(Button::bbEVO)] = bbEVO;
    buttons_[static_cast<std::size_t>(Button::bbXPL)] = bbXPL;
    buttons_[static_cast<std::size_t>(Button::bCheck)] = bCheck;
    buttons_[static_cast<std::size_t>(Button::bReadXPL)] = bReadXPL;
    connect(bbEVO, &QToolButton::clicked, this, [this] { bbEVOClick(); });
    connect(bbXPL, &QToolButton::clicked, this, [this] { bbXPLClick(); });
    connect(bCheck, &QPushButton::clicked, this, [this] { bCheckClick(); });
    connect(bReadXPL, &QPushButton::clicked, this, [this] { bReadXPLClick(); });

    // Columns: edit, gap, browse button, gap, command button; the gaps are
    // columns of their own because they differ. The designed sizes are the
    // least of the cells, never of the controls: a control below its own
    // size hint would cut its text.
    auto* grid = new QGridLayout;
    grid->setSpacing(0);
    grid->setColumnStretch(0, 1);
    grid->setColumnMinimumWidth(1, kEditToBrowse);
    grid->setColumnMinimumWidth(2, kBrowseSize.width());
    grid->setColumnMinimumWidth(3, kBrowseToButton);
    grid->setColumnMinimumWidth(4, kButtonSize.width());
    grid->setRowMinimumHeight(0, kButtonSize.height());
    grid->setRowMinimumHeight(1, kRowGap);
    grid->setRowMinimumHeight(2, kButtonSize.height());
    grid->addWidget(eEVOfile, 0, 0);
    grid->addWidget(bbEVO, 0, 2);
    grid->addWidget(bCheck, 0, 4);
    grid->addWidget(eXPLfile, 2, 0);
    grid->addWidget(bbXPL, 2, 2);
    grid->addWidget(bReadXPL, 2, 4);
    return grid;
}

// Demux and Rebuild on the left, Cancel on the right, and between them room
// for the logo, which FormResize places.
QLayout* TfMain::buildBottomRow(QWidget* client) {
    auto* bDemux = makeButton(client, "bDemux", "Demux", "Demux the source EVO to streams");
    QFont bold = bDemux->font();
    bold.setBold(true);
    bDemux->setFont(bold);
    auto* bRebuild = makeButton(client, "bRebuild", "Rebuild", "");
    auto* bCancel = makeButton(client, "bCancel", "Cancel", "You can stop the actual process");
    buttons_[static_cast<std::size_t>(Button::bDemux)] = bDemux;
    buttons_[static_cast<std::size_t>(Button::bRebuild)] = bRebuild;
    buttons_[static_cast<std::size_t>(Button::bCancel)] = bCancel;
    connect(bCancel, &QPushButton::clicked, this, [this] { bCancelClick(); });
    connect(bDemux, &QPushButton::clicked, this, [this] { bDemuxClick(); });
    connect(bRebuild, &QPushButton::clicked, this, [this] { bRebuildClick(); });

    imLogo = named(new QLabel(client), "imLogo", "Logo");
    imLogo->setPixmap(QPixmap::fromImage(logoImage()));
    imLogo->setToolTip("HD DVD logo :-)");
    imLogo->setAttribute(Qt::WA_TranslucentBackground);
    imLogo->resize(kLogoSize);

    // Columns: Demux, gap, Rebuild, the logo's room, Cancel.
    auto* row = new QGridLayout;
    row->setSpacing(0);
    row->addWidget(bDemux, 0, 0);
    row->addWidget(bRebuild, 0, 2);
    row->addWidget(bCancel, 0, 4);
    for (int column : {0, 2, 4}) row->setColumnMinimumWidth(column, kButtonSize.width());
    row->setColumnMinimumWidth(1, kButtonGap);
    row->setColumnMinimumWidth(3, kLogoGap + kLogoSize.width() + kLogoGap);
    row->setColumnStretch(3, 1);
    row->setRowMinimumHeight(0, kButtonSize.height());
    return row;
}

void TfMain::buildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName("StatusBar");
    bar->setSizeGripEnabled(false);
    bar->setToolTip(" Select or drop an EVO file to demux");
    const std::array<std::pair<const char*, int>, 2> initial{std::pair{" Ready", 40},
                                                             std::pair{" Select or drop an EVO file to demux", 50}};
    for (std::size_t k = 0; k < 2; ++k) {
        auto* label = new QLabel(initial[k].first, bar);
        label->setObjectName(k == 0 ? "StatusPanel0" : "StatusPanel1");
        label->setContentsMargins(0, 0, 0, 0);
        // The last panel runs on to the right edge of the bar, as status
        // bars do; its width is the least it takes.
        bar->addWidget(label, k == 1 ? 1 : 0);
        panels_[k] = label;
        setPanelWidth(label, initial[k].second);
    }
}

// The desktop's own dialogs outside tests. Their filters show one pattern
// per case: disc files are upper-case, copies often lower-case, and the
// desktops' dialogs match patterns case-sensitively.
void TfMain::buildDialogs() {
    odEVOfile = new QFileDialog(this, "Choose the EVO file to demux");
    odEVOfile->setObjectName("odEVOfile");
    odEVOfile->setNameFilters({"EVOB files (HD DVD) (*.evo *.EVO)", "VOB files (DVD) (*.vob *.VOB)"});
    odEVOfile->setDefaultSuffix("EVO");
    odEVOfile->setFileMode(QFileDialog::ExistingFile);
    odEVOfile->setOption(QFileDialog::DontResolveSymlinks);
    odXPL = new QFileDialog(this);
    odXPL->setObjectName("odXPL");
    odXPL->setNameFilters({"XPL (VPLST000.XPL vplst000.xpl)", "DVD title set (VTS_*_0.IFO vts_*_0.ifo)"});
    odXPL->setDefaultSuffix("xpl");
}

// Widens the panels to their texts where the font has grown past the
// width slog or the start gave them; slog's widths are never narrowed.
void TfMain::keepPanelTexts() {
    for (QLabel* panel : panels_) {
        const int text = panel->sizeHint().width();
        if (text <= panel->property("panelWidth").toInt()) continue;
        if (panel == panels_[1])
            panel->setMinimumWidth(text);
        else
            panel->setFixedWidth(text);
    }
}

void setPanelWidth(QLabel* panel, int width) {
    panel->setProperty("panelWidth", width);
    if (panel->objectName() == "StatusPanel1")
        panel->setMinimumWidth(width);
    else
        panel->setFixedWidth(width);
}

// The content's least size, and never below the design's least outer size
// less the frame. The frame is the window system's; where it draws none
// (offscreen, an X server without a window manager) the design's is taken,
// so that the designed client size stays the least. The status bar counts
// by its height alone: a long progress line must not widen the window.
void TfMain::applyMinimumSize() {
    // The bar is as high as its hint only when told: its own layout sets no
    // least height, and the design's 21 pixels is the least.
    statusBar()->setMinimumHeight(std::max(kStatusHeight, statusBar()->sizeHint().height()));
    QSize frame = frameGeometry().size() - geometry().size();
    if (frame.isNull()) frame = kDesignFrame;
    QSize content = client_->layout()->totalMinimumSize();
    content.rheight() += statusBar()->sizeHint().height();
    setMinimumSize(content.expandedTo(kLeastOuterSize - frame));
}

// While a command runs, every button but Cancel is locked; afterwards each
// shows the state the commands left it in.
void TfMain::applyButtonStates() {
    for (int k = 0; k < kButtonCount; ++k) {
        auto b = static_cast<Button>(k);
        bool on = buttonEnabled_[static_cast<std::size_t>(k)] && (!commandRunning_ || b == Button::bCancel);
        buttons_[static_cast<std::size_t>(k)]->setEnabled(on);
    }
}

}  // namespace strandex
