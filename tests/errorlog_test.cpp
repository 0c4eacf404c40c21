// The error output file, byte for byte: opening and closing lines, a second open, a folder
// that does not exist, and messages at and past the 79-character limit.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "lib/errorlog.h"
#include "tests/support/common_support.h"

namespace {

namespace fs = std::filesystem;

const std::string OPENING = "\nOpening Error Output File (";  // then the name and "):\n"
const std::string CLOSING = "\nClosing Error Output File.";

std::string Opening(const std::string& name) {
    return (OPENING + name + "):\n").substr(0, 79);
}

// Each test works in a fresh folder of its own, so the file names stay short and exact.
class ErrorLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = ScratchPath(info->name());
        fs::create_directories(folder);
        previous = fs::current_path();
        fs::current_path(folder);
        while (ErrorLogClose()) {
        }
    }
    void TearDown() override {
        while (ErrorLogClose()) {
        }
        fs::current_path(previous);
    }
    fs::path folder;
    fs::path previous;
};

TEST_F(ErrorLogTest, OpenWriteCloseMakesTheDocumentedFile) {
    EXPECT_EQ(ErrorLogWrite("\nCreate BOB %d", 0), 0) << "closed";
    EXPECT_EQ(ErrorLogWrite(nullptr), 0);
    EXPECT_EQ(ErrorLogClose(), 0);
    EXPECT_EQ(ErrorLogOpen(nullptr), 0);
    EXPECT_TRUE(fs::is_empty(folder)) << "no file may appear";

    ASSERT_EQ(ErrorLogOpen("run.log"), 1);
    EXPECT_NE(error_file, nullptr);
    EXPECT_EQ(ErrorLogWrite("\nCreate BOB %d", 0), 1);
    EXPECT_EQ(ErrorLogWrite(nullptr), 0) << "a null format writes nothing";
    EXPECT_EQ(ErrorLogClose(), 1);
    EXPECT_EQ(error_file, nullptr);
    EXPECT_EQ(ErrorLogClose(), 0) << "a second close";
    EXPECT_EQ(ReadText("run.log"),
              "\nOpening Error Output File (run.log):\n\nCreate BOB 0\nClosing Error Output File.");
}

TEST_F(ErrorLogTest, SecondOpenClosesTheFirstFile) {
    ASSERT_EQ(ErrorLogOpen("first.log"), 1);
    ErrorLogWrite("\none");
    ASSERT_EQ(ErrorLogOpen("second.log"), 1);
    ErrorLogWrite("\ntwo");
    EXPECT_EQ(ReadText("first.log"), Opening("first.log") + "\none" + CLOSING)
        << "the first file ends with its closing line";
    EXPECT_EQ(ErrorLogClose(), 1);
    EXPECT_EQ(ReadText("second.log"), Opening("second.log") + "\ntwo" + CLOSING);
}

TEST_F(ErrorLogTest, OpenInAMissingFolderKeepsTheCurrentFile) {
    EXPECT_EQ(ErrorLogOpen("missing/x.log"), 0);
    EXPECT_EQ(error_file, nullptr) << "closed before, closed after";
    ASSERT_EQ(ErrorLogOpen("kept.log"), 1);
    FILE* current = error_file;
    EXPECT_EQ(ErrorLogOpen("missing/x.log"), 0);
    EXPECT_EQ(error_file, current);
    EXPECT_FALSE(fs::exists("missing"));
    EXPECT_EQ(ErrorLogWrite("\nstill here"), 1);
    ErrorLogClose();
    EXPECT_EQ(ReadText("kept.log"), Opening("kept.log") + "\nstill here" + CLOSING);
}

TEST_F(ErrorLogTest, MessagesAreCutTo79Characters) {
    struct Case {
        size_t length;   // characters after formatting
        size_t written;  // characters in the file
    };
    const Case cases[] = {{1, 1}, {78, 78}, {79, 79}, {80, 79}, {200, 79}};
    ASSERT_EQ(ErrorLogOpen("cut.log"), 1);
    std::string expected = Opening("cut.log");
    for (const Case& c : cases) {
        // Formatted from a short format, so the cut applies to the result, not the format.
        const std::string message(c.length, static_cast<char>('a' + c.length % 26));
        EXPECT_EQ(ErrorLogWrite("%s", message.c_str()), 1) << c.length << " characters";
        expected += message.substr(0, c.written);
    }
    ErrorLogClose();
    EXPECT_EQ(ReadText("cut.log"), expected + CLOSING);
}

TEST_F(ErrorLogTest, LongFileNameCutsTheOpeningLine) {
    // The opening format adds 31 characters: a name over 48 characters overflows 79.
    const std::string name = std::string(60, 'n') + ".log";
    ASSERT_EQ(ErrorLogOpen(name.c_str()), 1);
    ErrorLogClose();
    const std::string text = ReadText(name);
    EXPECT_EQ(text, Opening(name) + CLOSING);
    EXPECT_EQ(Opening(name).size(), 79u);
}

TEST_F(ErrorLogTest, PercentSignsPassThroughUnchanged) {
    ASSERT_EQ(ErrorLogOpen("pct.log"), 1);
    ErrorLogWrite("\n%s", "100% %d %s %n done");
    ErrorLogWrite("\n%d%%", 50);
    ErrorLogClose();
    EXPECT_EQ(ReadText("pct.log"), Opening("pct.log") + "\n100% %d %s %n done\n50%" + CLOSING);
}

}  // namespace
