#include "support/playlist_bench.h"

#include "playlist/read_xpl_command.h"
#include "support/run_cli.h"

namespace strandex::test {

std::string fixturePlaylist(const std::string& name) {
    return text(readFile(std::string(STRANDEX_FIXTURES) + "/xpl/" + name));
}

std::string titlePlaylist(const std::string& titleSetAttributes, const std::string& clipTags,
                          const std::string& afterClip) {
    return "<?xml version=\"1.0\"?>\n<Playlist displayName=\"Disc\">\n<MediaAttributeList>\n"
           "<VideoAttributeItem index=\"1\" codec=\"VC-1\"/>\n"
           "<AudioAttributeItem index=\"1\" codec=\"DD+\" channels=\"6\"/>\n"
           "<SubpictureAttributeItem index=\"1\" codec=\"2bitRLE\"/>\n</MediaAttributeList>\n<TitleSet" +
           titleSetAttributes +
           ">\n<Title titleNumber=\"1\" displayName=\"Feature\" titleDuration=\"01:00:00:00\">\n"
           "<PrimaryAudioVideoClip src=\"file:///dvddisc/HVDVD_TS/FEATURE_1.MAP\">\n" +
           clipTags + "</PrimaryAudioVideoClip>\n" + afterClip + "</Title>\n</TitleSet>\n</Playlist>\n";
}

std::vector<std::string> PlaylistBench::readXpl(const std::string& playlist, const std::string& sourceName) {
    choose(sourceName);
    ui.setText(Edit::eXPLfile, dir.write("VPLST000.XPL", Bytes(playlist.begin(), playlist.end())));
    XPLadj(session, dialogs);
    return linesOf(bReadXPLClick);
}

}  // namespace strandex::test
