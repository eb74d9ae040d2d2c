// Messages of the XML parser itself, parsing from a file, and the limits the reader sets on
// external resources and entity expansion.
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "description/inventory_document.h"
#include "description_test_support.h"
#include "reporting/format.h"

namespace {

using description_test::parseFile;
using description_test::parseText;
using description_test::TempFolder;

const char kValidDocument[] =
    "<ITEM ID=\"1000\" Descr=\"Container\">\n"
    "  <PARAM ID=\"1001\" Descr=\"Gain\" Type=\"Float64\"><VALUE>2.5</VALUE></PARAM>\n"
    "</ITEM>\n";

TEST(ParserMessages, FatalParseErrorUsesTheErrorFormat) {
    const auto outcome = parseText(
        "<ITEM ID=\"1000\" Descr=\"R\">\n<PARAM ID=\"VERSION\" Type=\"Version\">\n</ITEM>");
    EXPECT_EQ(outcome.standardError,
              "doc.xml:3:3: error: XML fatal parse error: expected end of tag 'PARAM'\n");
    EXPECT_EQ(outcome.root, nullptr);
    EXPECT_EQ(outcome.standardOutput, "");
}

TEST(ParserMessages, ParserWarningAbortsWithoutCountingAsError) {
    const auto outcome = parseText(
        "<!DOCTYPE ITEM [<!ATTLIST ITEM ID CDATA #IMPLIED><!ATTLIST ITEM ID CDATA #IMPLIED>]>\n"
        "<ITEM ID=\"1000\" Descr=\"R\"/>");
    EXPECT_EQ(outcome.standardError,
              "doc.xml:1:67: warning: XML parse warning: attribute 'ID' has already been "
              "declared for element 'ITEM'\n");
    EXPECT_EQ(outcome.root, nullptr) << "the warning aborts the tree";
}

TEST(ParserMessages, MissingFileIsNamed) {
    TempFolder folder;
    const std::string path = folder.path() + "/missing.xml";
    const auto outcome = parseFile(toWide(path));
    EXPECT_EQ(outcome.standardError,
              "ERROR: Cannot read the description file " + path + ": No such file or directory.\n");
    EXPECT_EQ(outcome.root, nullptr);
}

TEST(ParserMessages, EmptyDocument) {
    const auto outcome = parseText("");
    EXPECT_NE(outcome.standardError.find("error: XML fatal parse error: "), std::string::npos)
        << outcome.standardError;
    EXPECT_EQ(outcome.root, nullptr);
}

TEST(ParseFromFile, ReadsTheSameTreeAsFromMemory) {
    TempFolder folder;
    const std::string path = folder.write("description.xml", kValidDocument);
    const auto fromFile = parseFile(toWide(path));
    const auto fromMemory = parseText(kValidDocument);
    ASSERT_NE(fromFile.root, nullptr);
    ASSERT_NE(fromMemory.root, nullptr);
    EXPECT_EQ(fromFile.standardError, "");
    EXPECT_STREQ(fromFile.root->getDescription(), "Container");
    ASSERT_EQ(fromFile.root->parameters().size(), 1u);
    EXPECT_EQ(std::get<double>(fromFile.root->parameters()[0]->getValue()), 2.5);
}

TEST(ParseFromFile, MessagesNameTheFile) {
    TempFolder folder;
    const std::string path = folder.write("bad.xml", "<ITEM ID=\"1000\">\n</ITEM>");
    const auto outcome = parseFile(toWide(path));
    EXPECT_EQ(outcome.standardError,
              path +
                  ":1:17: error: You must specify a descriptor (as attribute) for an inventory "
                  "item when using non-predefined ID!\n");
}

TEST(ParseFromFile, NonAsciiPath) {
    TempFolder folder;
    const std::string path =
        folder.write("F\xC3\xBCr Ger\xC3\xA4te/description.xml", kValidDocument);
    const auto outcome = parseFile(toWide(path));
    EXPECT_NE(outcome.root, nullptr) << outcome.standardError;
}

TEST(ParseFromFile, PathThatLooksLikeAUrlIsALocalFile) {
    const auto outcome = parseFile(L"http://127.0.0.1:9/description.xml");
    EXPECT_EQ(outcome.root, nullptr);
    EXPECT_EQ(outcome.standardError,
              "ERROR: Cannot read the description file http://127.0.0.1:9/description.xml: No "
              "such file or directory.\n");
}

TEST(ParseFromFile, EveryParseIsIndependent) {
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(parseText("<FOO/>").root, nullptr);
        EXPECT_NE(parseText(kValidDocument).root, nullptr);
    }
}

TEST(ExternalResources, LocalDtdFileIsRead) {
    TempFolder folder;
    folder.write("inventory.dtd", "<!ENTITY gain \"2.5\">");
    const std::string path =
        folder.write("description.xml",
                     "<!DOCTYPE ITEM SYSTEM \"inventory.dtd\">\n"
                     "<ITEM ID=\"1000\" Descr=\"C\"><PARAM ID=\"1001\" Descr=\"Gain\" "
                     "Type=\"Float64\"><VALUE>&gain;</VALUE></PARAM></ITEM>");
    const auto outcome = parseFile(toWide(path));
    ASSERT_NE(outcome.root, nullptr) << outcome.standardError;
    EXPECT_EQ(std::get<double>(outcome.root->parameters()[0]->getValue()), 2.5);
}

// Parses the file in a child process that an alarm ends after 10 seconds, so that a reader
// waiting on a pipe or device fails the test instead of hanging it. The child exits with 0
// when no tree was read; the reader's messages go to its standard error.
void expectRefusedWithoutWaiting(const std::string& path, const std::string& message,
                                 const std::string& secret = "SECRET") {
    EXPECT_EXIT(
        {
            ::alarm(10);
            std::exit(parseInventoryDocument(toWide(path)) == nullptr ? 0 : 1);
        },
        testing::ExitedWithCode(0),
        testing::AllOf(testing::HasSubstr(message), testing::Not(testing::HasSubstr(secret))));
}

TEST(DescriptionFile, OnlyARegularFileIsReadAndOthersAreNamed) {
    TempFolder folder;
    const std::string pipe = folder.path() + "/pipe.xml";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    folder.write("folder.xml/inner.xml", kValidDocument);
    expectRefusedWithoutWaiting(pipe, "ERROR: Cannot read the description file " + pipe +
                                          ": it is a pipe, not a regular file.\n");
    const std::string named = folder.path() + "/folder.xml";
    expectRefusedWithoutWaiting(named, "ERROR: Cannot read the description file " + named +
                                           ": it is a folder, not a regular file.\n");
}

// A description in the firmware folder <outer>/fw that refers to systemId; beside the folder
// a secret file, inside it a pipe and a link to the secret file.
struct ReferenceCase {
    const char* name;
    std::string systemId;  // "$OUT" stands for the outer folder
    const char* reason;    // empty: the reason of every reference outside the folder
};

class RefusedReference : public testing::TestWithParam<ReferenceCase> {};

TEST_P(RefusedReference, IsNamedAndNothingOfItIsRead) {
    TempFolder outer;
    outer.write("secret.txt", "SECRET");
    std::string systemId = GetParam().systemId;
    if (systemId.find("$OUT") != std::string::npos) {
        systemId.replace(systemId.find("$OUT"), 4, outer.path());
    }
    const std::string path =
        outer.write("fw/description.xml",
                    "<!DOCTYPE ITEM [<!ENTITY x SYSTEM \"" + systemId +
                        "\">]>\n<ITEM ID=\"1000\" Descr=\"C\"><PARAM ID=\"1001\" Descr=\"P\" "
                        "Type=\"String\"><VALUE>&x;</VALUE></PARAM></ITEM>");
    const std::string firmware = outer.path() + "/fw";
    ASSERT_EQ(::mkfifo((firmware + "/pipe.dtd").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("../secret.txt", (firmware + "/link.txt").c_str()), 0);
    const std::string reason = *GetParam().reason != '\0'
                                   ? GetParam().reason
                                   : "only files inside the firmware folder " +
                                         std::filesystem::canonical(firmware).string() +
                                         " are read";
    expectRefusedWithoutWaiting(path, path + ":2:78: error: External entity \"" + systemId +
                                          "\" is refused: " + reason + ".\n");
}

INSTANTIATE_TEST_SUITE_P(
    ExternalResources, RefusedReference,
    testing::Values(ReferenceCase{"AbsolutePathOutside", "$OUT/secret.txt", ""},
                    ReferenceCase{"KernelFile", "/proc/kmsg", ""},
                    ReferenceCase{"ParentFolder", "../secret.txt", ""},
                    ReferenceCase{"LinkLeadingOut", "link.txt", ""},
                    ReferenceCase{"FileUrl", "file://$OUT/secret.txt", ""},
                    ReferenceCase{"NetworkUrl", "http://127.0.0.1:9/inventory.dtd", ""},
                    ReferenceCase{"Pipe", "pipe.dtd", "it is a pipe, not a regular file"}),
    [](const testing::TestParamInfo<ReferenceCase>& info) { return info.param.name; });

TEST(ExternalResources, DocumentInMemoryReadsNoFile) {
    const auto outcome =
        parseText("<!DOCTYPE ITEM SYSTEM \"inventory.dtd\">\n<ITEM ID=\"1000\" Descr=\"C\"/>");
    EXPECT_EQ(outcome.root, nullptr);
    EXPECT_EQ(outcome.standardError,
              "doc.xml:1:39: error: External entity \"inventory.dtd\" is refused: this document "
              "may not refer to other files.\n");
}

TEST(ExternalResources, EntityExpansionIsBounded) {
    std::string declarations = "<!ENTITY e0 \"xxxxxxxxxx\">";
    for (int i = 1; i <= 9; ++i) {
        std::string expansion;
        for (int k = 0; k < 10; ++k) {
            expansion += "&e" + std::to_string(i - 1) + ";";
        }
        declarations += "<!ENTITY e" + std::to_string(i) + " \"" + expansion + "\">";
    }
    const std::string document = "<!DOCTYPE ITEM [" + declarations +
                                 "]>\n<ITEM ID=\"1000\" Descr=\"C\"><PARAM ID=\"1001\" Descr=\"P\" "
                                 "Type=\"String\"><VALUE>&e9;</VALUE></PARAM></ITEM>";
    const auto outcome = parseText(document);  // 10^9 expansions without the limit
    EXPECT_EQ(outcome.root, nullptr);
    EXPECT_NE(outcome.standardError.find("entity expansions"), std::string::npos)
        << outcome.standardError;
}

// Entity files are counted with each reference: a DTD of comments, read again and again,
// could otherwise make the reader read without end while no text grows.
TEST(ExternalResources, EntityFilesReadByOneDocumentAreBoundedTogether) {
    TempFolder folder;
    folder.write("comments.dtd", "<!-- " + std::string(400000, 'x') + " -->");
    const std::string path =
        folder.write("description.xml",
                     "<!DOCTYPE ITEM [<!ENTITY % c SYSTEM \"comments.dtd\"> %c; %c; %c;]>\n"
                     "<ITEM ID=\"1000\" Descr=\"C\"/>");
    const auto outcome = parseFile(toWide(path));  // 1.2 MB for a limit of about 1.05 MB
    EXPECT_EQ(outcome.root, nullptr);
    EXPECT_THAT(outcome.standardError,
                testing::HasSubstr("error: External entity \"comments.dtd\" is refused: the "
                                   "entity files of this document would have more than "));
}

// A document of about 1.3 KB whose text or attribute expands to copies times 100,000
// characters (a 1,000-character entity in entities of 100 references each): the reader
// allows 16 times the size plus 1 Mi characters, about 1.07 million here.
std::string expandingDocument(int copies, bool inAttribute) {
    std::string expansion;
    for (int i = 0; i < copies; ++i) {
        expansion += "&e1;";
    }
    std::string hundred;
    for (int i = 0; i < 100; ++i) {
        hundred += "&e0;";
    }
    const std::string use = inAttribute ? "<ITEM ID=\"1000\" Descr=\"" + expansion + "\"/>"
                                        : "<ITEM ID=\"1000\" Descr=\"C\"><PARAM ID=\"1001\" "
                                          "Descr=\"P\" Type=\"String\"><VALUE>" +
                                              expansion + "</VALUE></PARAM></ITEM>";
    return "<!DOCTYPE ITEM [<!ENTITY e0 \"" + std::string(1000, 'x') + "\"><!ENTITY e1 \"" +
           hundred + "\">]>\n" + use;
}

struct ExpansionCase {
    const char* name;
    int copies;
    bool inAttribute;
    const char* message;  // empty: the document is read
};

class ExpansionSize : public testing::TestWithParam<ExpansionCase> {};

TEST_P(ExpansionSize, IsBoundedByTheDocumentSize) {
    const ExpansionCase& c = GetParam();
    const auto outcome = parseText(expandingDocument(c.copies, c.inAttribute));
    if (*c.message == '\0') {
        EXPECT_NE(outcome.root, nullptr) << outcome.standardError;
        EXPECT_EQ(outcome.standardError, "");
    } else {
        EXPECT_EQ(outcome.root, nullptr);
        EXPECT_THAT(outcome.standardError, testing::HasSubstr(c.message));
    }
}

const char kTextLimitMessage[] = ": error: Entities expand the text of doc.xml to more than ";

INSTANTIATE_TEST_SUITE_P(
    ExternalResources, ExpansionSize,
    testing::Values(ExpansionCase{"TextBelowTheLimit", 9, false, ""},
                    ExpansionCase{"TextPastTheLimit", 12, false, kTextLimitMessage},
                    ExpansionCase{"AttributeBelowTheLimit", 9, true, ""},
                    ExpansionCase{"AttributePastTheLimit", 12, true, kTextLimitMessage},
                    // Stopped while the parser builds the value, before it reaches the handler.
                    ExpansionCase{"AttributeFarPastTheLimit", 400, true,
                                  "ERROR: Reading doc.xml takes more than "}),
    [](const testing::TestParamInfo<ExpansionCase>& info) { return info.param.name; });

}  // namespace
