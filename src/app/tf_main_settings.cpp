// Loading the settings at start-up and storing them at close.
#include <QCheckBox>
#include <QLineEdit>
#include <QSplitter>
#include <QTreeWidget>

#include "app/settings.h"
#include "app/tf_main.h"

namespace strandex {

namespace {
constexpr std::array<std::pair<const char*, Box>, 6> kSwitches{
    std::pair{"Continue", Box::cbContinue}, std::pair{"FastCheck", Box::cbFastCheck},
    std::pair{"CountFrames", Box::cbCountFr}, std::pair{"Details", Box::cbDetails},
    std::pair{"CodecFiles", Box::cbCodecFiles}, std::pair{"MuxMkv", Box::cbMuxMkv}};
constexpr std::array<std::pair<const char*, Edit>, 4> kTexts{
    std::pair{"AudioExt", Edit::eAudioExt}, std::pair{"VideoExt", Edit::eVideoExt},
    std::pair{"SubExt", Edit::eSubExt}, std::pair{"Workdir", Edit::eWorkdir}};
}  // namespace

void TfMain::useSettings(QSettings* store) { settings_ = store; }

void TfMain::applyTreeWidth() {
    int total = std::max(splXPL->width(), treeWidth_ + 50);
    splXPL->setSizes({treeWidth_, total - treeWidth_});
}

// Each value present is applied in this order; a value of the wrong kind
// stops the load there, keeping what was applied before it.
void TfMain::RegRead() {
    if (!settings_) {
        ownSettings_ = openUserSettings();
        settings_ = ownSettings_.get();
    }
    const QSettings& st = *settings_;
    if (st.allKeys().isEmpty()) return;  // nothing stored yet: initial values stay
    auto has = [&](const char* name) { return st.contains(name); };
    if (has("Width")) resize(readInteger(st, "Width"), height());
    if (has("Height")) resize(width(), readInteger(st, "Height"));
    if (has("Top")) move(x(), readInteger(st, "Top"));
    if (has("Left")) move(readInteger(st, "Left"), y());
    if (has("WindowState")) {
        int state = readInteger(st, "WindowState");
        setWindowState(state == 2 ? Qt::WindowMaximized : state == 1 ? Qt::WindowMinimized : Qt::WindowNoState);
    }
    if (has("TreeWidth")) {
        treeWidth_ = readInteger(st, "TreeWidth");
        applyTreeWidth();
    }
    for (const auto& [name, e] : kTexts)
        if (has(name)) edit(e)->setText(readString(st, name));
    if (has("EVOdir")) dialogs_.evoStartFolder = session_.paths.EVOdir = readString(st, "EVOdir").toStdString();
    if (has("XPLdir")) dialogs_.xplStartFolder = session_.paths.XPLdir = readString(st, "XPLdir").toStdString();
    // A switch the window disabled (muxing without mkvmerge) stays off.
    for (const auto& [name, b] : kSwitches)
        if (has(name) && box(b)->isEnabled()) box(b)->setChecked(readInteger(st, name) != 0);
}

// Every value on every close; a maximised window keeps the normal geometry
// stored before; "Install" only once.
void TfMain::RegWrite() {
    if (!settings_) {
        ownSettings_ = openUserSettings();
        settings_ = ownSettings_.get();
    }
    QSettings& st = *settings_;
    if (!st.isWritable()) return;
    bool maximised = isMaximized();
    st.setValue("WindowState", maximised ? 2 : isMinimized() ? 1 : 0);
    if (!maximised) {
        st.setValue("Top", y());
        st.setValue("Left", x());
        st.setValue("Width", width());
        st.setValue("Height", height());
    }
    if (xplPageShown_) treeWidth_ = splXPL->sizes().value(0, treeWidth_);
    st.setValue("TreeWidth", treeWidth_);
    for (const auto& [name, e] : kTexts) st.setValue(name, edit(e)->text());
    st.setValue("EVOdir", QString::fromStdString(session_.paths.EVOdir));
    st.setValue("XPLdir", QString::fromStdString(session_.paths.XPLdir));
    for (const auto& [name, b] : kSwitches) st.setValue(name, box(b)->isChecked() ? 1 : 0);
    if (!st.contains("Install")) st.setValue("Install", installStamp());
    st.sync();
}

}  // namespace strandex
