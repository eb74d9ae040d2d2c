// Messages of the XML parser itself, parsing from a file, and the limits the reader sets on
// external resources and entity expansion.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

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

TEST(ParserMessages, MissingFileHasNoPositionYet) {
    TempFolder folder;
    const std::string path = folder.path() + "/missing.xml";
    const auto outcome = parseFile(toWide(path));
    EXPECT_EQ(
        outcome.standardError,
        "error: XML fatal parse error: unable to open primary document entity '" + path + "'\n");
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
    EXPECT_NE(outcome.standardError.find("unable to open primary document entity"),
              std::string::npos)
        << outcome.standardError;
    EXPECT_EQ(outcome.standardError.find("socket"), std::string::npos) << outcome.standardError;
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

TEST(ExternalResources, NetworkDtdIsNeverFetched) {
    const auto outcome = parseText(
        "<!DOCTYPE ITEM SYSTEM \"http://127.0.0.1:9/inventory.dtd\">\n"
        "<ITEM ID=\"1000\" Descr=\"C\"/>");
    EXPECT_EQ(outcome.root, nullptr);
    EXPECT_NE(outcome.standardError.find("XML fatal parse error: "), std::string::npos);
    EXPECT_EQ(outcome.standardError.find("socket"), std::string::npos)
        << "no connection was tried: " << outcome.standardError;
}

TEST(ExternalResources, PipeIsNotOpened) {
    TempFolder folder;
    const std::string pipe = folder.path() + "/pipe.dtd";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string path = folder.write(
        "description.xml", "<!DOCTYPE ITEM SYSTEM \"pipe.dtd\">\n<ITEM ID=\"1000\" Descr=\"C\"/>");
    const auto outcome = parseFile(toWide(path));  // would wait for a writer if it were opened
    EXPECT_EQ(outcome.root, nullptr);
    EXPECT_NE(outcome.standardError.find("XML fatal parse error: "), std::string::npos);
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

}  // namespace
