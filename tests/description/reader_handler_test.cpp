// The reader's checks that no well-formed document can reach (the parser pairs start and end
// tags), driven directly, and the handler's error-handler side.
#include <xercesc/sax/Locator.hpp>
#include <xercesc/sax/SAXParseException.hpp>

#include <gtest/gtest.h>

#include <string>

#include "VkCErrorList.h"
#include "description/xml_input.h"
#include "description/xml_reader.h"

namespace {

class FixedLocator : public xercesc::Locator {
  public:
    const XMLCh* getPublicId() const override { return nullptr; }
    const XMLCh* getSystemId() const override { return u"ctx.xml"; }
    XMLFileLoc getLineNumber() const override { return 7; }
    XMLFileLoc getColumnNumber() const override { return 9; }
};

class ReaderContextTest : public testing::Test {
  protected:
    ReaderContextTest() { context.locator = &locator; }

    // A context inside the root item, as after "<ITEM ID="1000" Descr="R">".
    void enterRootItem() {
        context.rootItem =
            std::make_unique<VkCInventoryItem>(pool, VkCInventoryAddress(1000, 1), "R");
        context.currentItem = context.rootItem.get();
        context.state = InItem;
    }

    std::string endElement(const XMLCh* name) {
        testing::internal::CaptureStderr();
        handleElementEnd(context, name);
        return testing::internal::GetCapturedStderr();
    }

    FixedLocator locator;
    VkCErrorListPool pool;
    ReaderContext context;
};

struct WrongEndCase {
    const XMLCh* element;
    ReaderState state;
    const char* message;
};

class WrongEndTest : public ReaderContextTest, public testing::WithParamInterface<WrongEndCase> {};

TEST_P(WrongEndTest, IsAFatalErrorThatAborts) {
    enterRootItem();
    context.state = GetParam().state;
    EXPECT_EQ(endElement(GetParam().element),
              std::string("ctx.xml:7:9: fatal error: ") + GetParam().message + "\n");
    EXPECT_EQ(context.state, Failed);
    EXPECT_EQ(context.rootItem, nullptr);
    EXPECT_EQ(context.currentItem, nullptr);
}

const WrongEndCase kWrongEnds[] = {
    {u"ITEM", InParam, "End of item detected while not processing item!"},
    {u"PARAM", InItem, "End of parameter detected while not processing parameter!"},
    {u"VALUE", InParam, "End of value detected while not processing value!"},
    {u"UNIT", InValue, "End of unit detected while not processing unit!"},
    {u"ISMODIFIABLE", InRelevance,
     "End of modification flag detected while not processing modification flag!"},
    {u"RELEVANCE", InModifiable, "End of relevance detected while not processing relevance!"},
    {u"FOO", InItem, "Unknown end tag: \"FOO\""},
    {u"item", InItem, "Unknown end tag: \"item\""},
};

INSTANTIATE_TEST_SUITE_P(Table, WrongEndTest, testing::ValuesIn(kWrongEnds));

TEST_F(ReaderContextTest, EndOfItemWithoutItem) {
    context.state = InItem;
    EXPECT_EQ(endElement(u"ITEM"),
              "ctx.xml:7:9: fatal error: End of item detected but no item object was created!\n");
    EXPECT_EQ(context.state, Failed);
}

TEST_F(ReaderContextTest, EndOfParameterWithoutItem) {
    context.state = InParam;
    EXPECT_EQ(endElement(u"PARAM"),
              "ctx.xml:7:9: fatal error: End of parameter detected but no item object was "
              "created!\n");
    EXPECT_EQ(context.state, Failed);
}

TEST_F(ReaderContextTest, UnknownParameterType) {
    enterRootItem();
    context.state = InParam;
    context.parameterAttributes.address = VkCInventoryAddress(1001, 1);
    context.parameterAttributes.descriptor = "P";
    context.parameterAttributes.typeCode = 0x999;
    context.parameterContent.valueDefined = true;
    EXPECT_EQ(endElement(u"PARAM"),
              "ctx.xml:7:9: fatal error: Unknown type specified for this parameter!\n");
    EXPECT_EQ(context.rootItem, nullptr);
}

TEST_F(ReaderContextTest, EndOfRootItemKeepsTheRootCurrent) {
    enterRootItem();
    EXPECT_EQ(endElement(u"ITEM"), "");
    EXPECT_EQ(context.state, InItem);
    EXPECT_EQ(context.currentItem, context.rootItem.get());
}

TEST_F(ReaderContextTest, CharactersOutsideAnElement) {
    testing::internal::CaptureStderr();
    handleCharacters(context, u" \t\r\n", 4);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "white space alone is ignored";
    EXPECT_EQ(context.state, DocumentLevel);
    testing::internal::CaptureStderr();
    handleCharacters(context, u" x ", 3);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "ctx.xml:7:9: fatal error: Characters detected out of an element.\n");
    EXPECT_EQ(context.state, Failed);
}

TEST_F(ReaderContextTest, FailedStateIgnoresEverything) {
    enterRootItem();
    context.abort();
    testing::internal::CaptureStderr();
    handleCharacters(context, u"text", 4);
    handleElementEnd(context, u"FOO");
    handleElementEnd(context, u"VALUE");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(context.state, Failed);
}

TEST_F(ReaderContextTest, MessagesWithoutLocator) {
    context.locator = nullptr;
    testing::internal::CaptureStderr();
    handleCharacters(context, u"x", 1);
    context.state = InItem;
    context.warn("W");
    context.fail("E");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "fatal error: Characters detected out of an element.\nwarning: W\nerror: E\n");
}

TEST_F(ReaderContextTest, ResetDocumentStartsOver) {
    enterRootItem();
    context.resetDocument();
    EXPECT_EQ(context.state, DocumentLevel);
    EXPECT_EQ(context.rootItem, nullptr);
    EXPECT_EQ(context.currentItem, nullptr);
}

class HandlerErrorsTest : public testing::Test {
  protected:
    static void SetUpTestSuite() { ASSERT_TRUE(initialiseXmlPlatform()); }

    std::string call(void (VkCInventoryXMLHandlers::*report)(const xercesc::SAXParseException&)) {
        const xercesc::SAXParseException exception(u"something is wrong", locator);
        testing::internal::CaptureStderr();
        (handler.*report)(exception);
        return testing::internal::GetCapturedStderr();
    }

    FixedLocator locator;
    VkCInventoryXMLHandlers handler;
};

TEST_F(HandlerErrorsTest, ErrorSetsSawErrors) {
    handler.setDocumentLocator(&locator);
    EXPECT_EQ(call(&VkCInventoryXMLHandlers::error),
              "ctx.xml:7:9: error: XML parse error: something is wrong\n");
    EXPECT_TRUE(handler.sawErrors());
    handler.resetErrors();
    EXPECT_FALSE(handler.sawErrors());
}

TEST_F(HandlerErrorsTest, FatalErrorSetsSawErrorsAndUsesTheErrorFormat) {
    handler.setDocumentLocator(&locator);
    EXPECT_EQ(call(&VkCInventoryXMLHandlers::fatalError),
              "ctx.xml:7:9: error: XML fatal parse error: something is wrong\n");
    EXPECT_TRUE(handler.sawErrors());
}

TEST_F(HandlerErrorsTest, WarningDoesNotSetSawErrors) {
    handler.setDocumentLocator(&locator);
    EXPECT_EQ(call(&VkCInventoryXMLHandlers::warning),
              "ctx.xml:7:9: warning: XML parse warning: something is wrong\n");
    EXPECT_FALSE(handler.sawErrors());
    EXPECT_EQ(handler.takeRootItem(), nullptr);
}

TEST_F(HandlerErrorsTest, WithoutLocatorThePositionIsLeftOut) {
    EXPECT_EQ(call(&VkCInventoryXMLHandlers::error),
              "error: XML parse error: something is wrong\n");
}

}  // namespace
