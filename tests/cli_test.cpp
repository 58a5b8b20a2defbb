// strandex-cli as scripts use it: stdout holds exactly the log lines (and
// the box listing when asked), errors go to stderr with exit 1, usage
// errors exit 2, an encrypted source is named there after the log with
// exit 3.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>


#include "support/pack_builder.h"
#include "support/run_cli.h"

using namespace strandex::test;

namespace {

// VC-1 in video slot 0 with 24 frames, Dolby Digital in audio slot 1; the
// video packet may carry scrambling bits.
Bytes sampleStream(std::uint8_t videoScrambling = 0) {
    Pes video;
    video.scrambling = videoScrambling;
    video.streamId = 0xFD;
    video.pts = 90000;
    video.dts = 90000;
    video.streamIdExtension = 0x55;
    for (int k = 0; k < 24; ++k) video.payload += {0x00, 0x00, 0x01, 0x0D, 0x3F};
    return pack({pesPacket(video), privateStream1(ac3Payload(0x81, {0x0B, 0x77, 0x00}), 120000)});
}

const std::string kSampleLog =
    "Opening file sample.EVO\n"
    "File size: 0 Mbytes.\n"
    "VC-1 video stream 0 found!\n"
    "   First PTS = 00015F90\n"
    "DD audio stream 1 found!\n"
    "   First PTS = 0001D4C0\n"
    "Done.\n"
    "24 frames (0:00:01 s) count in video stream 0.\n";

}  // namespace

TEST(Cli, ReadPrintsExactlyTheLogLines) {
    TempDir dir;
    std::string source = dir.write("sample.EVO", sampleStream());
    CliResult r = runCli(dir, {"read", source});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, kSampleLog);
    EXPECT_EQ(r.err, "");
    // Options may stand before the file too.
    EXPECT_EQ(runCli(dir, {"read", "--no-details", source}).out,
              "Opening file sample.EVO\nFile size: 0 Mbytes.\nVC-1 video stream 0 found!\n"
              "DD audio stream 1 found!\nDone.\n24 frames (0:00:01 s) count in video stream 0.\n");
    EXPECT_EQ(runCli(dir, {"read", source, "--no-count"}).out,
              kSampleLog.substr(0, kSampleLog.find("24 frames")));
    // --times adds each step's time on stderr and leaves stdout alone.
    CliResult timed = runCli(dir, {"read", source, "--times"});
    EXPECT_EQ(timed.out, kSampleLog);
    EXPECT_TRUE(timed.err.rfind("Read EVO: ", 0) == 0 && timed.err.find(" s\n") != std::string::npos)
        << timed.err;
}

TEST(Cli, BoxesFollowTheLogOneLinePerSlotBox) {
    TempDir dir;
    std::string source = dir.write("sample.EVO", sampleStream());
    CliResult r = runCli(dir, {"read", source, "--boxes"});
    EXPECT_EQ(r.exitCode, 0);
    std::string boxes;
    boxes += "cbVideo0\t1\t1\tVC-1.stream.0\n";
    boxes += "cbVideo1\t0\t0\tNo video stream\n";
    for (int n = 0; n < 16; ++n) {
        std::string name = std::string(n < 10 ? "cbAudio0" : "cbAudio") + std::to_string(n);
        boxes += n == 1 ? name + "\t1\t1\tDD.stream.01\n" : name + "\t0\t0\tNo audio stream\n";
    }
    for (int n = 0; n < 16; ++n)
        boxes += std::string(n < 10 ? "cbSub0" : "cbSub") + std::to_string(n) + "\t0\t0\tNo subpicture\n";
    EXPECT_EQ(r.out, kSampleLog + boxes);
}

TEST(Cli, FullReadsPastTheFastCheckLimit) {
    // Video at the start, Dolby Digital right after the block that ends at
    // byte 300154880, zeros between (a sparse file).
    TempDir dir;
    std::string source = dir.file("long.EVO");
    Bytes head = sampleStream();
    Bytes tail = pack({privateStream1(ac3Payload(0x83, {0x0B, 0x77}), 90000)});
    int fd = ::open(source.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::pwrite(fd, head.data(), head.size(), 0), static_cast<ssize_t>(head.size()));
    EXPECT_EQ(::pwrite(fd, tail.data(), tail.size(), 300154880), static_cast<ssize_t>(tail.size()));
    ::close(fd);
    std::string start =
        "Opening file long.EVO\nFile size: 286 Mbytes.\nVC-1 video stream 0 found!\n"
        "   First PTS = 00015F90\nDD audio stream 1 found!\n   First PTS = 0001D4C0\n";
    EXPECT_EQ(runCli(dir, {"read", source}).out, start + "Done.\n");
    EXPECT_EQ(runCli(dir, {"read", source, "--full"}).out,
              start + "DD audio stream 3 found!\n   First PTS = 00015F90\nDone.\n"
                      "24 frames (0:00:01 s) count in video stream 0.\n");
}

TEST(Cli, MissingSourceIsAnErrorOnStderr) {
    TempDir dir;
    std::string missing = dir.file("nothere.EVO");
    CliResult r = runCli(dir, {"read", missing});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "Opening file nothere.EVO\n");
    EXPECT_EQ(r.err, "Cannot open file \"" + missing + "\". No such file or directory\n");
}

TEST(Cli, UsageErrorsExitTwoWithNothingOnStdout) {
    TempDir dir;
    std::string source = dir.write("sample.EVO", sampleStream());
    expectUsageErrors(dir, {
        {},
        {"read"},
        {"read", source, "--frobnicate"},
        {"scan", source},
        {"read", source, "--streams", "audio16"},
        {"read", source, "--streams", "video0,video2"},
        {"read", source, "--streams", "subtitle1"},
        {"read", source, "--output-dir"},
    });
    CliResult help = runCli(dir, {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("strandex-cli read"), std::string::npos);
    EXPECT_EQ(help.err, "");
}

TEST(Cli, AnEncryptedSourceIsNamedOnStderrAfterTheLogAndExitsThree) {
    TempDir dir;
    const std::string notice = "sample.EVO is encrypted: its streams cannot be used until it is decrypted.\n";
    std::string source = dir.write("sample.EVO", sampleStream(1));
    CliResult r = runCli(dir, {"read", source});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.out, kSampleLog);
    EXPECT_EQ(r.err, notice);
    // Read EVO and Demux (or Rebuild) both find it: told once.
    std::string out = dir.file("out");
    ASSERT_EQ(::mkdir(out.c_str(), 0755), 0);
    for (const char* command : {"demux", "rebuild"}) {
        CliResult both = runCli(dir, {command, source, "-o", out});
        EXPECT_EQ(both.exitCode, 3) << command;
        EXPECT_EQ(both.err, notice) << command;
    }
    // An error keeps its exit code; the notice of the scan still follows.
    std::string missing = dir.file("nowhere");
    CliResult failed = runCli(dir, {"demux", source, "-o", missing});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.err, "Cannot create file \"" + missing + "/sample.VC-1.stream.0.mpv\". No such file or directory\n" +
                              notice);
    // The same source clear: nothing on stderr.
    dir.write("sample.EVO", sampleStream());
    for (const char* command : {"read", "demux", "rebuild"}) {
        CliResult ok = runCli(dir, {command, source, "-o", out});
        EXPECT_EQ(ok.exitCode, 0) << command;
        EXPECT_EQ(ok.err, "") << command;
    }
}
