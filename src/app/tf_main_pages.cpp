// The six pages: the log, the three pages of stream boxes, the playlist and
// the options, each laid out so that its texts decide its least size.
#include <QCheckBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <tuple>

#include "app/tf_main.h"
#include "app/window_widgets.h"
#include "commands/stream_selection.h"
#include "mux/child_process.h"
#include "mux/mkvmerge_run.h"

namespace strandex {

namespace {

// Stream boxes: two columns of eight, 140 x 17 at least, 9 pixels in from
// the page's corner; at the designed font the second column at x = 165 and
// the rows 22 pixels apart.
constexpr int kBoxesPerColumn = 8;
constexpr QSize kStreamBoxSize{140, 17};
constexpr int kPageInset = 9;
constexpr int kBoxColumnGap = 16;
constexpr int kBoxRowGap = 5;

// Options: the file group 320 x 78 at least, then the option boxes in two
// columns from x = 8 and x = 180, rows 22 apart. In the group: the folder
// label 80 wide, the extensions' label 180, the edits 36 wide at x = 194,
// 234 and 274, the folder edit 224 wide at x = 88; rows 21 high, 32 apart.
constexpr QMargins kFileGroupMargins{8, 12, 8, 13};
constexpr int kFileRowHeight = 21;
constexpr int kFileRowGap = 11;
constexpr std::array<int, 9> kFileColumns{80, 100, 6, 36, 4, 36, 4, 36, 2};
constexpr int kExtensionWidth = 36;
constexpr int kOptionsLeft = 8;
constexpr int kOptionsTop = 6;
constexpr int kGroupToOptions = 10;
constexpr int kOptionColumnWidth = 166;
constexpr int kOptionColumnGap = 6;
constexpr int kOptionRowGap = 5;
constexpr int kOptionBoxHeight = 17;
constexpr int kOptionRows = 4;
constexpr int kExtensionChars = 5;
constexpr int kLineEditSideMargin = 2;  // QLineEdit's own, each side of the text

// Each option box at its row and column.
struct OptionBox {
    Box box;
    const char* caption;
    const char* hint;
    int row, column;
    bool ticked = true;
};
constexpr std::array<OptionBox, 6> kOptionBoxes{
    OptionBox{Box::cbContinue, "Continue with second  EVO", "Demux continues with e.g. FEATURE_2.EVO if it exists",
              0, 0},
    OptionBox{Box::cbFastCheck, "Fast EVO checking", "Read EVO checks only the first ~300 MB of the file", 1, 0},
    OptionBox{Box::cbCodecFiles, "Name files by codec",
              "Demux names each file by its coding (.vc1, .eac3, .wav …) and writes LPCM as WAV", 2, 0, false},
    OptionBox{Box::cbCountFr, "Count frames", "", 0, 1},
    OptionBox{Box::cbDetails, "Detailed info", "Detailed information about streams", 1, 1},
    OptionBox{Box::cbMuxMkv, "Mux into MKV after Demux",
              "Demux then makes one MKV of the streams, with their languages, names and chapters", 3, 0, false}};

// Wide enough for its most characters, in the edit's own font and frame.
int extensionEditWidth(const QLineEdit* e) {
    QStyleOptionFrame frame;
    frame.initFrom(e);
    const QMargins text = e->textMargins();
    QSize inner(e->fontMetrics().averageCharWidth() * kExtensionChars + text.left() + text.right() +
                    2 * kLineEditSideMargin,
                e->fontMetrics().height());
    return e->style()->sizeFromContents(QStyle::CT_LineEdit, &frame, inner, e).width();
}

QCheckBox* makeBox(QWidget* page, Box b, const QString& caption) {
    auto* box = new QCheckBox(caption, page);
    box->setObjectName(QString::fromStdString(boxName(b)));
    box->setAccessibleName(caption);
    box->setProperty("caption", caption);
    return box;
}

}  // namespace

void TfMain::buildPages(QWidget* client) {
    PageControl = named(new QTabWidget(client), "PageControl", "Pages");
    // Six tabs side by side, each with its whole caption: no scrolling, no
    // eliding, and the window as wide as the tabs need. No style sheet: it
    // would keep the pages from following a change of the window's font.
    PageControl->setUsesScrollButtons(false);
    PageControl->setElideMode(Qt::ElideNone);
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
    mMessage->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
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
// the left, the next on the right. A column widens to its longest caption.
void TfMain::buildStreamPage(QWidget* page, Box first, Box end) {
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(kPageInset, kPageInset, kPageInset, kPageInset);
    grid->setHorizontalSpacing(kBoxColumnGap);
    grid->setVerticalSpacing(kBoxRowGap);
    for (int n = 0; n < boxIndex(end) - boxIndex(first); ++n) {
        Box b = boxAt(boxIndex(first) + n);
        QCheckBox* box = makeBox(page, b, startCaption(b));
        box->setEnabled(false);
        if (first == Box::cbSub00 && n > 0) box->setToolTip("Check the desired subpicture streams");
        connect(box, &QCheckBox::toggled, this, [this] { cbVideoClick(); });
        grid->addWidget(box, n % kBoxesPerColumn, n / kBoxesPerColumn);
        grid->setColumnMinimumWidth(n / kBoxesPerColumn, kStreamBoxSize.width());
        grid->setRowMinimumHeight(n % kBoxesPerColumn, kStreamBoxSize.height());
        boxes_[static_cast<std::size_t>(boxIndex(b))] = box;
    }
    // The rest of the page stays empty to the right and below.
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(kBoxesPerColumn, 1);
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
    mXPL->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
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
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(kOptionsLeft, kOptionsTop, kOptionsLeft, kOptionsTop);
    column->setSpacing(0);
    column->addWidget(buildFileGroup(page), 0, Qt::AlignLeft);
    column->addSpacing(kGroupToOptions);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(kOptionColumnGap);
    grid->setVerticalSpacing(kOptionRowGap);
    grid->setColumnMinimumWidth(0, kOptionColumnWidth);
    for (int row = 0; row < kOptionRows; ++row) grid->setRowMinimumHeight(row, kOptionBoxHeight);
    for (const OptionBox& o : kOptionBoxes) {
        QCheckBox* box = makeBox(page, o.box, o.caption);
        box->setToolTip(o.hint);
        box->setChecked(o.ticked);
        grid->addWidget(box, o.row, o.column);
        boxes_[static_cast<std::size_t>(boxIndex(o.box))] = box;
    }
    // Muxing runs mkvmerge; without it the box says why it cannot be ticked.
    if (findOnPath(kMkvmergeProgram).empty()) {
        QCheckBox* mux = boxes_[static_cast<std::size_t>(boxIndex(Box::cbMuxMkv))];
        mux->setEnabled(false);
        mux->setToolTip(kMkvmergeMissing);
    }
    grid->setColumnStretch(2, 1);
    column->addLayout(grid);
    column->addStretch(1);
}

// Output names: the three extensions side by side right of their label,
// the output folder under them. Columns: the folder's label, the rest of
// the extensions' label, a gap, and the extension edits with their gaps;
// the folder edit runs from the second column to the last.
QGroupBox* TfMain::buildFileGroup(QWidget* page) {
    gbFile = named(new QGroupBox(page), "gbFile", "Files");
    auto* grid = new QGridLayout(gbFile);
    grid->setContentsMargins(kFileGroupMargins);
    grid->setHorizontalSpacing(0);
    grid->setVerticalSpacing(kFileRowGap);
    for (int row : {0, 1}) grid->setRowMinimumHeight(row, kFileRowHeight);
    for (std::size_t c = 0; c < kFileColumns.size(); ++c)
        grid->setColumnMinimumWidth(static_cast<int>(c), kFileColumns[c]);
    grid->setColumnStretch(static_cast<int>(kFileColumns.size()) - 1, 1);

    auto* lVideoExt = named(new QLabel("Extensions (video, audio, subtitle)", gbFile), "lVideoExt",
                            "Extensions (video, audio, subtitle)");
    grid->addWidget(lVideoExt, 0, 0, 1, 2);
    const std::array<std::tuple<Edit, const char*, const char*, const char*>, 3> exts{
        std::tuple{Edit::eVideoExt, "eVideoExt", "Video extension", "mpv"},
        std::tuple{Edit::eAudioExt, "eAudioExt", "Audio extension", "mpa"},
        std::tuple{Edit::eSubExt, "eSubExt", "Subtitle extension", "sup"}};
    int column = 3;
    for (const auto& [which, name, spoken, text] : exts) {
        QLineEdit* e = makeEdit(gbFile, name, spoken);
        e->setMaxLength(kExtensionChars);
        e->setText(text);
        grid->addWidget(e, 0, column);
        column += 2;
        edits_[static_cast<std::size_t>(which)] = e;
    }

    auto* lWorkdir = named(new QLabel("Output folder", gbFile), "lWorkdir", "Output folder");
    grid->addWidget(lWorkdir, 1, 0);
    auto* eWorkdir = makeEdit(gbFile, "eWorkdir", "Output folder");
    grid->addWidget(eWorkdir, 1, 1, 1, static_cast<int>(kFileColumns.size()) - 1);
    edits_[static_cast<std::size_t>(Edit::eWorkdir)] = eWorkdir;
    fitExtensionEdits();
    return gbFile;
}

// Again whenever the font changes: the edits keep no wider than five
// characters, so their layout cannot widen them by itself.
void TfMain::fitExtensionEdits() {
    for (Edit which : {Edit::eVideoExt, Edit::eAudioExt, Edit::eSubExt}) {
        QLineEdit* e = edit(which);
        e->setFixedWidth(std::max(kExtensionWidth, extensionEditWidth(e)));
    }
}

}  // namespace strandex
