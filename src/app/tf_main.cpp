// The window's controls: names, captions, hints, initial states and places.
#include "app/tf_main.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/logo.h"
#include "commands/stream_selection.h"
#include "mux/child_process.h"
#include "mux/mkvmerge_run.h"
#include "version.h"

namespace strandex {

namespace {

constexpr int kClientWidth = 362;
constexpr int kClientHeight = 346;
constexpr int kStatusHeight = 21;
constexpr int kBoxesPerColumn = 8;
constexpr std::array<int, kBoxesPerColumn> kBoxRows{9, 31, 53, 75, 98, 120, 142, 165};

template <typename W>
W* named(W* widget, const char* name, const QString& accessible) {
    widget->setObjectName(name);
    widget->setAccessibleName(accessible);
    return widget;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption,
                        const QString& hint) {
    auto* b = named(new QPushButton(caption, parent), name, caption);
    b->setToolTip(hint);
    return b;
}

QToolButton* makeBrowseButton(QWidget* parent, const char* name, const QString& hint) {
    auto* b = named(new QToolButton(parent), name, hint);
    b->setIcon(parent->style()->standardIcon(QStyle::SP_DirOpenIcon));
    b->setToolTip(hint);
    return b;
}

QLineEdit* makeEdit(QWidget* parent, const char* name, const QString& accessible) {
    return named(new QLineEdit(parent), name, accessible);
}

}  // namespace

TfMain::TfMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName("fMain");
    setWindowTitle(QString("Strandex ") + kVersion);
    setFont(QFont("Tahoma", 8));
    client_ = new QWidget(this);
    setCentralWidget(client_);
    buildTopRows(client_);
    buildPages(client_);
    buildBottomRow(client_);
    buildDialogs();
    resize(kClientWidth, kClientHeight);
    setMinimumSize(kClientWidth, kClientHeight);
    buttonEnabled_[static_cast<std::size_t>(Button::bRebuild)] = true;
    buttonEnabled_[static_cast<std::size_t>(Button::bbEVO)] = true;
    buttonEnabled_[static_cast<std::size_t>(Button::bbXPL)] = true;
    applyButtonStates();
    placeControls();
}

TfMain::~TfMain() = default;

void TfMain::buildTopRows(QWidget* client) {
    auto* eEVOfile = makeEdit(client, "eEVOfile", "Source file");
    eEVOfile->setReadOnly(true);
    // The hint's first part is the tool tip; the second says why typing fails.
    eEVOfile->setToolTip("Drop here the source EVO file");
    eEVOfile->setStatusTip("You cannot write here directly");
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
}

void TfMain::buildPages(QWidget* client) {
    PageControl = named(new QTabWidget(client), "PageControl", "Pages");
    // Six tabs in 346 pixels: keep them narrow enough to show side by side.
    PageControl->setStyleSheet("QTabBar::tab { padding: 3px 6px; }");
    auto addPage = [this](const char* name, const QString& caption, const QString& hint) {
        auto* page = named(new QWidget, name, caption);
        page->setToolTip(hint);
        PageControl->addTab(page, caption);
        return page;
    };
    QWidget* tsStatus = addPage("tsStatus", "Status", "");
    mMessage = named(new QPlainTextEdit(tsStatus), "mMessage", "Status log");
    mMessage->setReadOnly(true);
    mMessage->setLineWrapMode(QPlainTextEdit::NoWrap);
    mMessage->setToolTip("");
    auto* statusFill = new QVBoxLayout(tsStatus);
    statusFill->setContentsMargins(0, 0, 0, 0);
    statusFill->addWidget(mMessage);

    buildStreamPage(addPage("tsVideo", "Video", "Check the desired video stream"), Box::cbVideo0, Box::cbAudio00);
    buildStreamPage(addPage("tsAudio", "Audio", "Check the desired audio streams"), Box::cbAudio00, Box::cbSub00);
    buildStreamPage(addPage("tsSubpicture", "Subpicture", "Check the desired subpicture streams"), Box::cbSub00,
                    Box::cbContinue);
    buildXplPage(addPage("tsXPL", "XPL", ""));
    // The splitter gets its true width when the page is first shown.
    connect(PageControl, &QTabWidget::currentChanged, this, [this](int index) {
        if (index != static_cast<int>(Page::tsXPL) || xplPageShown_) return;
        xplPageShown_ = true;
        applyTreeWidth();
    });
    buildOptionsPage(addPage("tsOption", "Options", ""));
}

// The boxes from `first` up to `end`: the page's first column of eight on
// the left, the next on the right.
void TfMain::buildStreamPage(QWidget* page, Box first, Box end) {
    for (int n = 0; n < boxIndex(end) - boxIndex(first); ++n) {
        Box b = boxAt(boxIndex(first) + n);
        const char* caption = startCaption(b);
        auto* box = new QCheckBox(caption, page);
        box->setObjectName(QString::fromStdString(boxName(b)));
        box->setAccessibleName(caption);
        box->setProperty("caption", QString(caption));
        auto row = static_cast<std::size_t>(n % kBoxesPerColumn);
        box->setGeometry(n < kBoxesPerColumn ? 9 : 165, kBoxRows[row], 140, 17);
        box->setEnabled(false);
        if (first == Box::cbSub00 && n > 0) box->setToolTip("Check the desired subpicture streams");
        connect(box, &QCheckBox::toggled, this, [this] { cbVideoClick(); });
        boxes_[static_cast<std::size_t>(boxIndex(b))] = box;
    }
}

void TfMain::buildXplPage(QWidget* page) {
    splXPL = named(new QSplitter(Qt::Horizontal, page), "splXPL", "Playlist splitter");
    splXPL->setChildrenCollapsible(false);
    tvXPL = named(new QTreeWidget, "tvXPL", "Playlist tree");
    tvXPL->setHeaderHidden(true);
    tvXPL->setIndentation(19);
    tvXPL->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tvXPL->setToolTip("Infos from your XPL file");
    tvXPL->setMinimumWidth(50);
    for (const char* top : kTreeStartItems) new QTreeWidgetItem(tvXPL, QStringList{top});
    mXPL = named(new QPlainTextEdit, "mXPL", "Playlist");
    mXPL->setFont(QFont("Courier New", 8));
    mXPL->setLineWrapMode(QPlainTextEdit::NoWrap);
    mXPL->setReadOnly(true);
    mXPL->setToolTip("This is your XPL file (part of it)");
    mXPL->setMinimumWidth(50);
    splXPL->addWidget(tvXPL);
    splXPL->addWidget(mXPL);
    splXPL->setStretchFactor(1, 1);
    splXPL->setSizes({96, 244});
    auto* fill = new QVBoxLayout(page);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(splXPL);
}

void TfMain::buildOptionsPage(QWidget* page) {
    gbFile = named(new QGroupBox(page), "gbFile", "Files");
    gbFile->setGeometry(8, 6, 320, 78);
    auto* lVideoExt = named(new QLabel("Extensions (video, audio, subtitle)", gbFile), "lVideoExt",
                            "Extensions (video, audio, subtitle)");
    lVideoExt->setGeometry(8, 14, 180, 17);
    const std::array<std::pair<Edit, const char*>, 3> exts{
        std::pair{Edit::eVideoExt, "mpv"}, std::pair{Edit::eAudioExt, "mpa"},
        std::pair{Edit::eSubExt, "sup"}};
    const std::array<const char*, 3> names{"eVideoExt", "eAudioExt", "eSubExt"};
    const std::array<const char*, 3> spoken{"Video extension", "Audio extension", "Subtitle extension"};
    for (std::size_t k = 0; k < 3; ++k) {
        auto* e = makeEdit(gbFile, names[k], spoken[k]);
        e->setMaxLength(5);
        e->setText(exts[k].second);
        e->setGeometry(194 + static_cast<int>(k) * 40, 12, 36, 21);
        edits_[static_cast<std::size_t>(exts[k].first)] = e;
    }
    auto* lWorkdir = named(new QLabel("Output folder", gbFile), "lWorkdir", "Output folder");
    lWorkdir->setGeometry(8, 46, 80, 17);
    auto* eWorkdir = makeEdit(gbFile, "eWorkdir", "Output folder");
    eWorkdir->setGeometry(88, 44, 224, 21);
    edits_[static_cast<std::size_t>(Edit::eWorkdir)] = eWorkdir;

    struct Option {
        Box box;
        const char* caption;
        const char* hint;
        int x, y;
        bool ticked = true;
    };
    const std::array<Option, 6> options{
        Option{Box::cbContinue, "Continue with second  EVO",
               "Demux continues with e.g. FEATURE_2.EVO if it exists", 8, 94},
        Option{Box::cbFastCheck, "Fast EVO checking",
               "Read EVO checks only the first ~300 MB of the file", 8, 116},
        Option{Box::cbCountFr, "Count frames", "", 180, 94},
        Option{Box::cbDetails, "Detailed info", "Detailed information about streams", 180, 116},
        Option{Box::cbCodecFiles, "Name files by codec",
               "Demux names each file by its coding (.vc1, .eac3, .wav …) and writes LPCM as WAV", 8,
               138, false},
        Option{Box::cbMuxMkv, "Mux into MKV after Demux",
               "Demux then makes one MKV of the streams, with their languages, names and chapters",
               180, 138, false}};
    for (const auto& o : options) {
        auto* box = new QCheckBox(o.caption, page);
        box->setObjectName(QString::fromStdString(boxName(o.box)));
        box->setAccessibleName(o.caption);
        box->setProperty("caption", QString(o.caption));
        box->setToolTip(o.hint);
        box->setChecked(o.ticked);
        box->setGeometry(o.x, o.y, 170, 17);
        boxes_[static_cast<std::size_t>(boxIndex(o.box))] = box;
    }
    // Muxing runs mkvmerge; without it the box says why it cannot be ticked.
    if (findOnPath(kMkvmergeProgram).empty()) {
        QCheckBox* mux = boxes_[static_cast<std::size_t>(boxIndex(Box::cbMuxMkv))];
        mux->setEnabled(false);
        mux->setToolTip(kMkvmergeMissing);
    }
}

void TfMain::buildBottomRow(QWidget* client) {
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

    QStatusBar* bar = statusBar();
    bar->setObjectName("StatusBar");
    bar->setFixedHeight(kStatusHeight);
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

void TfMain::buildDialogs() {
    odEVOfile = new QFileDialog(this, "Choose the EVO file to demux");
    odEVOfile->setObjectName("odEVOfile");
    // Disc files are upper-case and Linux names are case-sensitive: match
    // the extensions in any case.
    odEVOfile->setNameFilters({"EVOB files (HD DVD) (*.[eE][vV][oO])", "VOB files (DVD) (*.[vV][oO][bB])"});
    odEVOfile->setDefaultSuffix("EVO");
    odEVOfile->setFileMode(QFileDialog::ExistingFile);
    odEVOfile->setOption(QFileDialog::DontResolveSymlinks);
    odEVOfile->setOption(QFileDialog::DontUseNativeDialog);
    odXPL = new QFileDialog(this);
    odXPL->setObjectName("odXPL");
    odXPL->setNameFilters({"XPL ([vV][pP][lL][sS][tT]000.[xX][pP][lL])"});
    odXPL->setDefaultSuffix("xpl");
    odXPL->setOption(QFileDialog::DontUseNativeDialog);
}

void setPanelWidth(QLabel* panel, int width) {
    panel->setProperty("panelWidth", width);
    if (panel->objectName() == "StatusPanel1")
        panel->setMinimumWidth(width);
    else
        panel->setFixedWidth(width);
}

// Controls anchored right or bottom follow the client area; the logo is
// placed by FormResize.
void TfMain::placeControls() {
    int w = client_->width();
    int h = client_->height();
    edit(Edit::eEVOfile)->setGeometry(8, 8, w - 113, 21);
    edit(Edit::eXPLfile)->setGeometry(8, 40, w - 113, 21);
    button(Button::bbEVO)->setGeometry(w - 100, 6, 25, 25);
    button(Button::bbXPL)->setGeometry(w - 100, 38, 25, 25);
    button(Button::bCheck)->setGeometry(w - 68, 6, 60, 25);
    button(Button::bReadXPL)->setGeometry(w - 68, 38, 60, 25);
    PageControl->setGeometry(8, 69, w - 16, h - 106);
    button(Button::bDemux)->setGeometry(8, h - 31, 60, 25);
    button(Button::bRebuild)->setGeometry(74, h - 31, 60, 25);
    button(Button::bCancel)->setGeometry(w - 68, h - 31, 60, 25);
    imLogo->setGeometry(imLogo->x(), h - 33, 125, 31);
    FormResize();
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
