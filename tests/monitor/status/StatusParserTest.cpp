#include <gtest/gtest.h>

#include <random>
#include <string>

#include "monitor/status/TarvexStatus.h"

namespace tarvex {
namespace {

constexpr const char* ACTIVE_REPORT =
    "Launchd: loaded\nProcess: running (pid 42)\nPort: 999\nPort: open\n";

TEST(StatusParserTest, EmptyOrBlankReportYieldsDefaults) {
    for (const char* report : {"", "\n", "\n\n  \t\n", "\r\n\r\n"}) {
        const TarvexStatus status = TarvexStatus::parse(report);
        EXPECT_EQ(status, TarvexStatus{});
        EXPECT_EQ(status.summary(), "Stopped");
    }
}

TEST(StatusParserTest, FullReportGivesActive) {
    const TarvexStatus status = TarvexStatus::parse(ACTIVE_REPORT);
    EXPECT_EQ(status, (TarvexStatus{"999", true, "42", true, true}));
    EXPECT_EQ(status.state(), ServiceState::active);
    EXPECT_EQ(status.summary(), "Active (PID 42)");
}

TEST(StatusParserTest, ClosedPortGivesStartingAndKeepsPort) {
    const TarvexStatus status = TarvexStatus::parse(
        "Launchd: loaded\nProcess: running (pid 42)\nPort: 999\nPort: closed\n");
    EXPECT_EQ(status.state(), ServiceState::starting);
    EXPECT_EQ(status.summary(), "Starting\u2026");
    EXPECT_EQ(status.port, "999");
    EXPECT_FALSE(status.portOpen);
}

TEST(StatusParserTest, PortLineValues) {
    EXPECT_TRUE(TarvexStatus::parse("PORT:open").portOpen);
    // The value test is case-sensitive: "Open" is a port text.
    const TarvexStatus upper = TarvexStatus::parse("Port: Open");
    EXPECT_FALSE(upper.portOpen);
    EXPECT_EQ(upper.port, "Open");
    EXPECT_EQ(TarvexStatus::parse("Port: 999:extra").port, "999:extra");
    // The key is only a prefix of the whole line.
    EXPECT_EQ(TarvexStatus::parse("portal: 7").port, "7");
    EXPECT_TRUE(TarvexStatus::parse("port status: open").portOpen);
    // Later lines overwrite earlier ones.
    EXPECT_FALSE(TarvexStatus::parse("Port: open\nPort: closed").portOpen);
    EXPECT_EQ(TarvexStatus::parse("Port: 1\nPort: 2").port, "2");
}

TEST(StatusParserTest, PortLinesThatChangeNothing) {
    const char* lines[] = {"Port:", "Port:   \t", "::Port: 999", "Port 999", "Open port: 5", ":"};
    for (const char* line : lines) {
        SCOPED_TRACE(line);
        EXPECT_EQ(TarvexStatus::parse(std::string("Port: 1\nPort: open\n") + line),
                  (TarvexStatus{"1", false, "", true, false}));
    }
}

TEST(StatusParserTest, ProcessLineSetsRunningFromValuePrefix) {
    EXPECT_TRUE(TarvexStatus::parse("Process: Running").processRunning);
    EXPECT_TRUE(TarvexStatus::parse("PROCESS: RUNNING").processRunning);
    EXPECT_TRUE(TarvexStatus::parse("process:runningish").processRunning);
    EXPECT_FALSE(TarvexStatus::parse("Process: not running").processRunning);
    // An empty value counts as not running, overriding an earlier line.
    EXPECT_FALSE(TarvexStatus::parse("Process: running\nProcess:").processRunning);
    // U+0130 lower-cases to "i" plus a combining dot, which never reads as "running".
    EXPECT_FALSE(TarvexStatus::parse("Process: RUNN\u0130NG").processRunning);
}

TEST(StatusParserTest, PidPatternIsCaseSensitiveAndSearchedInWholeLine) {
    const TarvexStatus upper = TarvexStatus::parse(
        "Process: running (pid 5)\n"
        "Process: Running (PID 99)");
    EXPECT_TRUE(upper.processRunning);
    EXPECT_EQ(upper.pid, "5");

    const TarvexStatus inKey = TarvexStatus::parse("Process (pid 7): stopped");
    EXPECT_FALSE(inKey.processRunning);
    EXPECT_EQ(inKey.pid, "7");
}

TEST(StatusParserTest, PidComesFromFirstWellFormedMatchOfLastMatchingLine) {
    EXPECT_EQ(TarvexStatus::parse("Process: running (pid 1) (pid 2)").pid, "1");
    EXPECT_EQ(TarvexStatus::parse("Process: x (pid (pid 3)").pid, "3");
    EXPECT_EQ(TarvexStatus::parse("Process: x (pid 12x) (pid 4)").pid, "4");
    for (const char* noPid :
         {"Process: running (pid )", "Process: running (pid 5", "Process: running (pid  5)",
          "Process: running (pid -5)", "Process: running (pid \u0661)"}) {
        SCOPED_TRACE(noPid);
        EXPECT_EQ(TarvexStatus::parse(std::string("Process: a (pid 8)\n") + noPid).pid, "8");
    }
    // The second line decides the flag; the pid stays from the last line that matched.
    const TarvexStatus two = TarvexStatus::parse("Process: running (pid 10)\nProcess: stopped");
    EXPECT_FALSE(two.processRunning);
    EXPECT_EQ(two.pid, "10");
    // The pid pattern is not read from other lines.
    EXPECT_EQ(TarvexStatus::parse("Port: (pid 3)").pid, "");
}

TEST(StatusParserTest, LaunchdValueMustBeExactlyLoaded) {
    EXPECT_TRUE(TarvexStatus::parse("LAUNCHD:loaded").launchdLoaded);
    EXPECT_TRUE(TarvexStatus::parse("launchd status: loaded").launchdLoaded);
    EXPECT_FALSE(TarvexStatus::parse("Launchd: Loaded").launchdLoaded);
    EXPECT_FALSE(TarvexStatus::parse("Launchd: loaded, running").launchdLoaded);
    EXPECT_FALSE(TarvexStatus::parse("Launchd: loaded\nLaunchd: unloaded").launchdLoaded);
}

TEST(StatusParserTest, EveryLineBreakCharacterEndsALine) {
    for (const char* brk : {"\n", "\v", "\f", "\r", "\r\n", "\u0085", "\u2028", "\u2029"}) {
        SCOPED_TRACE(testing::PrintToString(std::string(brk)));
        const std::string report = std::string("Launchd: loaded") + brk +
                                   "Process: running (pid 42)" + brk + "Port: 999" + brk +
                                   "Port: open" + brk;
        EXPECT_EQ(TarvexStatus::parse(report), TarvexStatus::parse(ACTIVE_REPORT));
    }
}

TEST(StatusParserTest, UnicodeWhiteSpaceIsTrimmedAroundKeysAndValues) {
    const TarvexStatus status = TarvexStatus::parse(
        "\t  Port:\u00A0open\u2003\n\u3000Launchd:\tloaded \u202F\n \u1680Port:  12 34  ");
    EXPECT_TRUE(status.portOpen);
    EXPECT_TRUE(status.launchdLoaded);
    EXPECT_EQ(status.port, "12 34");
}

TEST(StatusParserTest, UndecodableBytesAreOrdinaryCharacters) {
    // A lone 0x85 byte is not NEL (that is C2 85), so the line does not end there.
    EXPECT_EQ(TarvexStatus::parse("Port: 1\x85Port: 2").port, "1\x85Port: 2");
    EXPECT_EQ(TarvexStatus::parse("Port: 1\xC2\x85Port: 2").port, "2");
    // An undecodable byte before the key hides the key; one in the value is kept as is.
    EXPECT_EQ(TarvexStatus::parse("\xFFPort: 1").port, "");
    EXPECT_EQ(TarvexStatus::parse("Port: \xC2").port, "\xC2");
    EXPECT_EQ(TarvexStatus::parse("Port: \xE2\x80").port, "\xE2\x80");
    // A truncated white-space sequence (U+3000 without its last byte) is not trimmed.
    EXPECT_EQ(TarvexStatus::parse("Port: 5\xE3\x80").port, "5\xE3\x80");
    const TarvexStatus mixed =
        TarvexStatus::parse("garbage\xC0\xAF\nLaunchd: loaded\n\xED\xA0\x80\nPort: open");
    EXPECT_TRUE(mixed.launchdLoaded);
    EXPECT_TRUE(mixed.portOpen);
}

TEST(StatusParserTest, ArbitraryBytesNeverBreakTheParser) {
    std::mt19937 random(20260101);
    const std::string alphabet[] = {"Port:",    "Process:", "Launchd:", "(pid ", ")",       "open",
                                    "loaded",   "running",  "7",        " ",     "\n",      "\r",
                                    "\xE2\x80", "\xC2\x85", "\xFF",     ":",     "\xF0\x9F"};
    for (int round = 0; round < 2000; ++round) {
        std::string report;
        const int pieces = static_cast<int>(random() % 40);
        for (int i = 0; i < pieces; ++i) {
            if (random() % 4 == 0) {
                report.push_back(static_cast<char>(random() % 256));
            } else {
                report += alphabet[random() % std::size(alphabet)];
            }
        }
        const TarvexStatus status = TarvexStatus::parse(report);
        EXPECT_EQ(status.pid.find_first_not_of("0123456789"), std::string::npos) << report;
        EXPECT_EQ(status.port.find('\n'), std::string::npos) << report;
    }
}

}  // namespace
}  // namespace tarvex
