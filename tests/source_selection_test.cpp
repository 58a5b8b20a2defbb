// Adopting a source or a playlist, headless: the names and folders derived
// from the path, the other file guessed from the disc layout, the buttons
// that become usable, the dialog presets, and the drop rule.
#include "commands/source_selection.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "cli/memory_front_end.h"
#include "support/pack_builder.h"

using namespace strandex;

namespace {

class SourceSelection : public ::testing::Test {
protected:
    MemoryFrontEnd ui;
    Session session{ui};
    DialogPresets dialogs;
    const SourcePaths& paths = session.paths;

    void source(const std::string& path) {
        ui.setText(Edit::eEVOfile, path);
        EVOadj(session, dialogs);
    }
    void playlist(const std::string& path) {
        ui.setText(Edit::eXPLfile, path);
        XPLadj(session, dialogs);
    }
};

}  // namespace

TEST_F(SourceSelection, SourceInHvdvdTsGuessesThePlaylistBeside) {
    EXPECT_FALSE(ui.enabled(Button::bCheck));
    EXPECT_FALSE(ui.enabled(Button::bReadXPL));
    source("/media/HVDVD_TS/FEATURE_1.EVO");
    EXPECT_EQ(paths.EVOname, "FEATURE_1.EVO");
    EXPECT_EQ(paths.EVObase, "FEATURE_1");
    EXPECT_EQ(paths.EVOdir, "/media/HVDVD_TS/");
    EXPECT_EQ(paths.XPLdir, "/media/ADV_OBJ/");
    EXPECT_EQ(paths.XPLname, "VPLST000.XPL");
    EXPECT_EQ(ui.text(Edit::eXPLfile), "/media/ADV_OBJ/VPLST000.XPL");
    EXPECT_TRUE(ui.enabled(Button::bCheck));
    EXPECT_TRUE(ui.enabled(Button::bReadXPL));
    // The dialogs open where the files are, the playlist one with the name preset.
    EXPECT_EQ(dialogs.evoStartFolder, "/media/HVDVD_TS/");
    EXPECT_EQ(dialogs.xplStartFolder, "/media/ADV_OBJ/");
    EXPECT_EQ(dialogs.xplFileName, "VPLST000.XPL");
}

TEST_F(SourceSelection, FolderTestIsCaseSensitive) {
    source("/media/hvdvd_ts/feature_1.evo");
    EXPECT_EQ(paths.EVOdir, "/media/hvdvd_ts/");
    EXPECT_EQ(paths.EVObase, "feature_1");
    EXPECT_EQ(paths.XPLdir, "");
    EXPECT_EQ(paths.XPLname, "");
    EXPECT_EQ(ui.text(Edit::eXPLfile), "VPLST000.XPL");
    EXPECT_EQ(dialogs.xplFileName, "");
    EXPECT_TRUE(ui.enabled(Button::bCheck));
    EXPECT_FALSE(ui.enabled(Button::bReadXPL));
}

TEST_F(SourceSelection, NamesAreCutByPositionNotByExtension) {
    source("/m/A.EVOB");
    EXPECT_EQ(paths.EVOname, "A.EVOB");
    EXPECT_EQ(paths.EVObase, "A.");
    source("FEATURE_1.EVO");  // a bare name has no folder
    EXPECT_EQ(paths.EVOdir, "");
    EXPECT_EQ(paths.EVObase, "FEATURE_1");
    source("/m/ab");
    EXPECT_EQ(paths.EVObase, "");
    source("");
    EXPECT_FALSE(ui.enabled(Button::bCheck));
    EXPECT_EQ(paths.EVOname, "");
    EXPECT_EQ(paths.EVOdir, "");
    EXPECT_EQ(dialogs.evoStartFolder, "");
}

TEST_F(SourceSelection, PlaylistInAdvObjGuessesTheSourceFolder) {
    source("/elsewhere/A.EVO");
    playlist("/disc/ADV_OBJ/VPLST000.XPL");
    EXPECT_EQ(paths.XPLname, "VPLST000.XPL");
    EXPECT_EQ(paths.XPLdir, "/disc/ADV_OBJ/");
    EXPECT_EQ(paths.EVOdir, "/disc/HVDVD_TS/");
    EXPECT_EQ(dialogs.evoStartFolder, "/disc/HVDVD_TS/");
    EXPECT_EQ(paths.EVOname, "A.EVO");  // the chosen source stays
    EXPECT_EQ(ui.text(Edit::eEVOfile), "/elsewhere/A.EVO");
    EXPECT_TRUE(ui.enabled(Button::bReadXPL));

    playlist("/other/adv_obj/VPLST000.XPL");
    EXPECT_EQ(paths.EVOdir, "/disc/HVDVD_TS/");
    EXPECT_EQ(paths.XPLdir, "/other/adv_obj/");

    playlist("/other/ADV_OBJ/");  // a folder without a name
    EXPECT_EQ(paths.XPLname, "");
    EXPECT_FALSE(ui.enabled(Button::bReadXPL));
    EXPECT_EQ(paths.EVOdir, "/other/HVDVD_TS/");
}

TEST_F(SourceSelection, NewSourceOutsideTheDiscKeepsTheEarlierPlaylist) {
    playlist("/disc/ADV_OBJ/VPLST000.XPL");
    source("/films/movie.VOB");
    EXPECT_EQ(ui.text(Edit::eXPLfile), "VPLST000.XPL");
    EXPECT_EQ(paths.XPLname, "VPLST000.XPL");
    EXPECT_EQ(paths.XPLdir, "/disc/ADV_OBJ/");
    EXPECT_EQ(paths.EVOdir, "/films/");
    // The bare name is a hint: "Read XPL" would open it in whatever folder
    // the program was started in, so it waits for a playlist to be chosen.
    EXPECT_FALSE(ui.enabled(Button::bReadXPL));
    playlist("/disc/ADV_OBJ/VPLST000.XPL");
    EXPECT_TRUE(ui.enabled(Button::bReadXPL));
}

TEST_F(SourceSelection, ABareNameInThePlaylistEditChoosesNothing) {
    // What a cancelled playlist dialog gives back after EVOadj preset the
    // bare name: the playlist and folder chosen before stay, and so does the
    // folder the next dialog opens in.
    playlist("/disc/ADV_OBJ/VPLST000.XPL");
    playlist("VPLST000.XPL");
    EXPECT_EQ(ui.text(Edit::eXPLfile), "VPLST000.XPL");
    EXPECT_FALSE(ui.enabled(Button::bReadXPL));
    EXPECT_EQ(paths.XPLdir, "/disc/ADV_OBJ/");
    EXPECT_EQ(paths.XPLname, "VPLST000.XPL");
    EXPECT_EQ(dialogs.xplStartFolder, "/disc/ADV_OBJ/");
    // An empty edit still clears the playlist, as before.
    playlist("");
    EXPECT_EQ(paths.XPLname, "");
    EXPECT_FALSE(ui.enabled(Button::bReadXPL));
}

TEST_F(SourceSelection, ThePlaylistDialogOpensWhereThePlaylistWasChosen) {
    source("/media/HVDVD_TS/FEATURE_1.EVO");
    EXPECT_EQ(dialogs.xplStartFolder, "/media/ADV_OBJ/");
    playlist("/elsewhere/lists/VPLST000.XPL");
    EXPECT_EQ(paths.XPLdir, "/elsewhere/lists/");
    EXPECT_EQ(dialogs.xplStartFolder, "/elsewhere/lists/");
}

TEST_F(SourceSelection, DropTakesEvoVobAndXplInAnyCase) {
    EXPECT_TRUE(adoptDroppedFile(session, dialogs, "/m/HVDVD_TS/FEATURE_1.evo"));
    EXPECT_EQ(ui.text(Edit::eEVOfile), "/m/HVDVD_TS/FEATURE_1.evo");
    EXPECT_EQ(ui.text(Edit::eXPLfile), "/m/ADV_OBJ/VPLST000.XPL");
    EXPECT_TRUE(ui.enabled(Button::bCheck));

    EXPECT_TRUE(adoptDroppedFile(session, dialogs, "/dvd/VIDEO_TS/VTS_01_1.Vob"));
    EXPECT_EQ(ui.text(Edit::eEVOfile), "/dvd/VIDEO_TS/VTS_01_1.Vob");
    EXPECT_EQ(paths.EVObase, "VTS_01_1");

    EXPECT_TRUE(adoptDroppedFile(session, dialogs, "/x/ADV_OBJ/vplst000.xPl"));
    EXPECT_EQ(ui.text(Edit::eXPLfile), "/x/ADV_OBJ/vplst000.xPl");
    EXPECT_EQ(paths.XPLname, "vplst000.xPl");
    EXPECT_EQ(paths.EVOdir, "/x/HVDVD_TS/");

    // Anything else changes nothing: another extension, none at all, a dot
    // only in a folder name, an extension that merely ends alike.
    for (const char* other :
         {"/m/notes.txt", "/m/EVO", "/m/a.evo/readme", "/m/FEATURE_1.EVOB", "/m/x.devo"}) {
        EXPECT_FALSE(adoptDroppedFile(session, dialogs, other)) << other;
        EXPECT_EQ(ui.text(Edit::eEVOfile), "/dvd/VIDEO_TS/VTS_01_1.Vob");
        EXPECT_EQ(ui.text(Edit::eXPLfile), "/x/ADV_OBJ/vplst000.xPl");
    }
}

// A DVD source in a VIDEO_TS folder gets its title set's IFO as the
// playlist, when the IFO is there; the names keep the source's case.
TEST_F(SourceSelection, DvdSourceInVideoTsTakesTheTitleSetsIfo) {
    test::TempDir dir;
    ::mkdir(dir.file("VIDEO_TS").c_str(), 0755);
    ::mkdir(dir.file("video_ts").c_str(), 0755);
    ::mkdir(dir.file("MY_VIDEO_TS").c_str(), 0755);
    dir.write("VIDEO_TS/VTS_01_0.IFO", {});
    dir.write("video_ts/vts_02_0.ifo", {});
    dir.write("MY_VIDEO_TS/VTS_01_0.IFO", {});

    source(dir.file("VIDEO_TS/VTS_01_1.VOB"));
    EXPECT_EQ(paths.EVObase, "VTS_01_1");
    EXPECT_EQ(paths.XPLdir, dir.file("VIDEO_TS/"));
    EXPECT_EQ(paths.XPLname, "VTS_01_0.IFO");
    EXPECT_EQ(ui.text(Edit::eXPLfile), dir.file("VIDEO_TS/VTS_01_0.IFO"));
    EXPECT_EQ(dialogs.xplStartFolder, dir.file("VIDEO_TS/"));
    EXPECT_EQ(dialogs.xplFileName, "VTS_01_0.IFO");
    EXPECT_TRUE(ui.enabled(Button::bReadXPL));

    source(dir.file("video_ts/vts_02_3.vob"));
    EXPECT_EQ(ui.text(Edit::eXPLfile), dir.file("video_ts/vts_02_0.ifo"));

    // No IFO beside, the menu's VOB, a folder only ending in VIDEO_TS: the
    // playlist edit holds the hint, as for any other source.
    for (const char* other : {"VIDEO_TS/VTS_03_1.VOB", "VIDEO_TS/VTS_01_0.VOB", "MY_VIDEO_TS/VTS_01_1.VOB"}) {
        source(dir.file(other));
        EXPECT_EQ(ui.text(Edit::eXPLfile), "VPLST000.XPL") << other;
        EXPECT_FALSE(ui.enabled(Button::bReadXPL)) << other;
    }
}

TEST_F(SourceSelection, TitleSetIfoNames) {
    EXPECT_EQ(titleSetIfoName("VTS_01_1.VOB"), "VTS_01_0.IFO");
    EXPECT_EQ(titleSetIfoName("VTS_12_9.VOB"), "VTS_12_0.IFO");
    EXPECT_EQ(titleSetIfoName("vts_01_2.vob"), "vts_01_0.ifo");
    EXPECT_EQ(titleSetIfoName("VTS_01_1.vOb"), "VTS_01_0.iFo");
    for (const char* other : {"VTS_01_0.VOB", "VTS_1_1.VOB", "VTS_0A_1.VOB", "VTS_01_1.EVO", "VTS_01_1.VOB.",
                              "XVTS_01_1.VOB", "FEATURE_1.EVO", ""})
        EXPECT_EQ(titleSetIfoName(other), "") << other;
}

TEST_F(SourceSelection, DroppedIfoIsThePlaylist) {
    EXPECT_EQ(droppedFileKind("/dvd/VIDEO_TS/VTS_01_0.IFO"), DroppedFile::playlist);
    EXPECT_EQ(droppedFileKind("/dvd/VIDEO_TS/vts_01_0.ifo"), DroppedFile::playlist);
    EXPECT_TRUE(adoptDroppedFile(session, dialogs, "/dvd/VIDEO_TS/VTS_01_0.IFO"));
    EXPECT_EQ(ui.text(Edit::eXPLfile), "/dvd/VIDEO_TS/VTS_01_0.IFO");
    EXPECT_EQ(paths.XPLname, "VTS_01_0.IFO");
    EXPECT_TRUE(ui.enabled(Button::bReadXPL));
    // The HD DVD folder guess is the ADV_OBJ one only.
    EXPECT_EQ(paths.EVOdir, "");
}
